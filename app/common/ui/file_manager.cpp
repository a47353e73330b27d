#include "app/common/ui/file_manager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QUrl>

#include "core/base/file_url.h"

namespace lopewell {

void revealInFileManager(const std::string& path)
{
    revealInFileManager(std::vector<std::string> { path });
}

void revealInFileManager(const std::vector<std::string>& paths)
{
    if (paths.empty())
        return;
    QStringList urls;
    for (const std::string& path : paths)
        urls << QUrl::fromEncoded(QByteArray::fromStdString(fileURLString(path))).toString(QUrl::FullyEncoded);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << urls << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return;
    }
    const QUrl first = QUrl::fromEncoded(urls.front().toUtf8());
    QDesktopServices::openUrl(first.adjusted(QUrl::RemoveFilename | QUrl::StripTrailingSlash));
}

}  // namespace lopewell
