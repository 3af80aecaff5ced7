#pragma once
// UTF-8 and Windows' UTF-16 (wide-character) strings, for the wide calls
// that take any name a user's folder may have ("C:\Users\Jürgen"). Windows
// only.

#include <string>
#include <string_view>

namespace qzt {

// Empty with errno EILSEQ for text that is not UTF-8 (an empty text too).
std::wstring WideFromUtf8(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

// errno for a Win32 error code (GetLastError), so a failure's reason reads
// as on Linux: ERROR_DISK_FULL is ENOSPC, ERROR_ACCESS_DENIED EACCES.
int ErrnoFromWin32(unsigned long error);

// The system's own text for a Win32 error code, without its line end
// ("The specified module could not be found."), with the code after it.
std::string Win32ErrorText(unsigned long error);

}  // namespace qzt
