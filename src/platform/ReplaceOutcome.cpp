#include "platform/ReplaceOutcome.h"

Platform::ReplaceError Platform::replaceErrorOf(std::uint32_t moveError,
                                                std::uint32_t deleteOpenError)
{
    switch (moveError) {
    case Win32Error::NotSameDevice:
        return ReplaceError::OtherVolume;
    case Win32Error::SharingViolation:
    case Win32Error::LockViolation:
        return ReplaceError::Held;
    case Win32Error::AccessDenied:
        // Opened for deleting: the hold has passed meanwhile.
        return deleteOpenError == Win32Error::None
                || deleteOpenError == Win32Error::SharingViolation
            ? ReplaceError::Held
            : ReplaceError::Failed;
    default:
        return ReplaceError::Failed;
    }
}
