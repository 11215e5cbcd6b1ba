#pragma once
// Which of the formats a clipboard offers to ask for, and in what order.

#include <QString>
#include <QStringList>
#include <vector>

namespace platform::Clipboard {

// What moving a picture's bytes costs on the running machine.
enum class FreshMemory {
    Cheap,  // a plain copy of megabytes costs less than compressing them
    Dear,   // fresh pages cost more than compressing what they would hold
};

// The offered image formats worth asking for, cheapest first: the uncompressed ones that
// carry every pixel as it is (PPM, then BMP), then PNG, then any other image the program can
// read, with those that drop colour or detail (JPEG, grey and black-and-white maps) last.
// Where fresh memory is dear, PNG comes before the uncompressed ones: their megabytes pass
// through fresh pages of the owner, the display server and this program.
// Formats are MIME types, compared without regard to case and returned as offered; anything
// else (text, files, the toolkit's own in-process image) is left out.
std::vector<QString> ImageFormatsToAsk(const QStringList& offered,
                                       FreshMemory memory = FreshMemory::Cheap);

// Fresh memory's cost on the running machine, as measured once.
FreshMemory FreshMemoryHere();

// Every format name ImageFormatsToAsk can choose, as owners write them (in lower case).
QStringList KnownImageFormats();

}  // namespace platform::Clipboard
