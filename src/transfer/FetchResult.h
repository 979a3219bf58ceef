#pragma once

#include <QMetaType>
#include <QString>

// How one GET ended. A fetch is "ok" only when the whole body of a 2xx reply
// arrived and every byte of it reached the sink.
struct FetchResult
{
    bool ok = false;
    // Bytes of the body handed to the sink (or counted, when there was none).
    qint64 bytes = 0;
    // Final HTTP status after redirects; 0 when no reply came.
    int httpStatus = 0;
    QString errorText;
};

Q_DECLARE_METATYPE(FetchResult)
