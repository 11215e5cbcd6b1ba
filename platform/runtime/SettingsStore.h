#pragma once
// The per-user settings store: text values by application, section and key. On Linux they
// live in $XDG_CONFIG_HOME/<application>/<application>.ini, one INI group per section.

#include <string>

namespace platform {

std::string GetSetting(const std::string& application, const std::string& section,
                       const std::string& key, const std::string& defaultText);
// Stores the text and writes it to disk before returning; a store that cannot be written
// is a failure.
void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                 const std::string& text);

}  // namespace platform
