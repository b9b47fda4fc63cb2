// UTF-8, the engine's text, to and from the UTF-16 Windows speaks; and the
// error last_error() reports, set where the failure is not the system's own.
#pragma once

#include <string>
#include <string_view>

namespace tesra::os::windows {

// Codes of winerror.h that mingw-w64's copy lacks.
inline constexpr unsigned long directory_not_supported = 336;  // ERROR_DIRECTORY_NOT_SUPPORTED
inline constexpr unsigned long disk_quota_exceeded = 1295;     // ERROR_DISK_QUOTA_EXCEEDED

// Invalid UTF-8 gives false, with ERROR_NO_UNICODE_TRANSLATION as the reason.
bool to_utf16(std::string_view text, std::wstring& wide);
std::string to_utf8(std::wstring_view wide);

}  // namespace tesra::os::windows
