#include "SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QStringDecoder>
#include <QStringList>

namespace {

const QString section = QStringLiteral("STARTUP/");

// A settings file a person or another program has mangled: QSettings skips
// most of such content silently, so it is judged here by its bytes.
bool holdsText(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0'))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    // The conversion to QString is what runs the decoder.
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Seqget"), QStringLiteral("Seqget")))
{
    // The store is the user's own; a system-wide file must not seep in.
    m_settings->setFallbacksEnabled(false);
    checkReadable();
}

SettingsStore::SettingsStore(const QString &iniFilePath)
    : m_settings(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat))
{
    checkReadable();
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::checkReadable()
{
    if (m_settings->status() != QSettings::NoError) {
        m_damaged = true;
        return;
    }
    // In the Windows registry fileName() names no file, which holdsText takes
    // as absent and so as fine.
    m_damaged = !holdsText(m_settings->fileName());
}

QString SettingsStore::read(const QString &key, const QString &defaultValue) const
{
    if (m_damaged)
        return defaultValue;
    const QVariant value = m_settings->value(section + key);
    if (!value.isValid())
        return defaultValue;
    // A hand-written value with commas outside quotes comes back as a list; its
    // parts joined by commas are the closest text (Qt has dropped the blanks
    // around them). Values written here are quoted and never split.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    // "@ByteArray(...)" and "@Variant(...)" of a number still read as text;
    // "@Rect(...)" and the like do not.
    if (!value.canConvert<QString>())
        return defaultValue;
    return value.toString();
}

void SettingsStore::write(const QString &key, const QString &text)
{
    if (m_damaged) {
        // The first write after a damaged read starts the store afresh, so
        // whatever QSettings salvaged from the old file is not carried over.
        m_settings->clear();
        m_damaged = false;
    }
    m_settings->setValue(section + key, text);
}

void SettingsStore::sync()
{
    m_settings->sync();
}

QString SettingsStore::location() const
{
    return m_settings->fileName();
}
