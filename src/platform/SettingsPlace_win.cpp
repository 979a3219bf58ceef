#include "platform/SettingsPlace.h"

#include <string>
#include <windows.h>

Platform::SettingsPlace Platform::userSettingsPlace()
{
    return { QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Seqget"),
             true };
}

// Qt's Windows build has no ICU; Windows has the code page itself.
std::optional<QString> Platform::fromCp932(const QByteArray &line)
{
    if (line.isEmpty())
        return QString();
    constexpr UINT codePage = 932;
    constexpr DWORD flags = MB_ERR_INVALID_CHARS;
    const int length = int(line.size());
    const int size = MultiByteToWideChar(codePage, flags, line.constData(), length, nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::wstring text(size_t(size), L'\0');
    if (MultiByteToWideChar(codePage, flags, line.constData(), length, text.data(), size) != size)
        return std::nullopt;
    return QString::fromStdWString(text);
}
