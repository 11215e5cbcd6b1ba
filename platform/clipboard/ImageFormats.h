#pragma once
// Which of the formats a clipboard offers to ask for, and in what order.

#include <QString>
#include <QStringList>
#include <vector>

namespace platform::Clipboard {

// The offered image formats worth asking for, cheapest first: the uncompressed ones that
// carry every pixel as it is (PPM, then BMP), then PNG, then any other image the program can
// read, with those that drop colour or detail (JPEG, grey and black-and-white maps) last.
// Formats are MIME types, compared without regard to case and returned as offered; anything
// else (text, files, the toolkit's own in-process image) is left out.
std::vector<QString> ImageFormatsToAsk(const QStringList& offered);

// Every format name ImageFormatsToAsk can choose, as owners write them (in lower case).
QStringList KnownImageFormats();

}  // namespace platform::Clipboard
