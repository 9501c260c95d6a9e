#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <functional>

namespace quilvo {

// org.mpris.MediaPlayer2: who we are, and Quit.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

  public:
    MprisRootAdaptor(QObject* exported, std::function<void()> quit);

    bool canQuit() const { return true; }
    bool canRaise() const { return false; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Quilvo"); }
    QString desktopEntry() const { return QStringLiteral("app.quilvo.Quilvo"); }
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

  public Q_SLOTS:
    void Raise();
    void Quit();

  private:
    std::function<void()> quit_;
};

}  // namespace quilvo
