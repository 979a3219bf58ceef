#pragma once

#include "platform/FileReplace.h"

#include <cstdint>

namespace Platform {

// Windows' system error codes (winerror.h) that the rule below reads.
namespace Win32Error {
inline constexpr std::uint32_t None = 0, AccessDenied = 5, NotSameDevice = 17,
                               SharingViolation = 32, LockViolation = 33;
}

// What a failed move of a finished file over its destination means on
// Windows, from the error the move gave and the error of an open of the
// destination for deleting tried after it (None: that open succeeded).
// Another program that holds the destination (a virus scanner, an indexer)
// makes the move fail with a sharing or lock violation, or, when it did not
// share deletion, with access denied, which only the open for deleting tells
// apart from a real refusal. Wine shows only the last form, so the rule is
// kept apart from the Windows calls and tested on every platform.
ReplaceError replaceErrorOf(std::uint32_t moveError, std::uint32_t deleteOpenError);

} // namespace Platform
