#include "app/common/ui/file_manager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QUrl>

#include "core/base/file_url.h"

namespace lopewell {

void revealInFileManager(const std::string& path)
{
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(fileURLString(path)));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << QStringList { url.toString(QUrl::FullyEncoded) } << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return;
    }
    QDesktopServices::openUrl(url.adjusted(QUrl::RemoveFilename | QUrl::StripTrailingSlash));
}

}  // namespace lopewell
