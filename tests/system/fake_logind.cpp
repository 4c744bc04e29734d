// A stand-in for systemd-logind on a private bus, for xss-lock under Xvfb: xss-lock asks the
// login manager for its session and reports idle and locked hints to it, and without a session
// it aborts as soon as it has started its command.
//
// fake_logind BUS_ADDRESS READY_FILE: owns org.freedesktop.login1 on the bus, then creates
// READY_FILE.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>

#include <cstdio>

namespace {

constexpr const char* kSessionPath = "/org/freedesktop/login1/session/test";

class Login1 : public QDBusVirtualObject {
  public:
    explicit Login1(QDBusConnection bus) : bus_(std::move(bus)) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        const QString member = message.member();
        if (member == "GetSessionByPID" || member == "GetSession") {
            bus_.send(message.createReply(QVariant::fromValue(QDBusObjectPath(kSessionPath))));
        } else if (member == "SetIdleHint" || member == "SetLockedHint") {
            bus_.send(message.createReply());
        } else {
            // Sleep inhibitors, properties: this session cannot suspend.
            bus_.send(message.createErrorReply(QDBusError::NotSupported, member));
        }
        return true;
    }

  private:
    QDBusConnection bus_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: fake_logind BUS_ADDRESS READY_FILE\n", stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), "bus");
    Login1 login1(bus);
    if (!bus.isConnected() || !bus.registerService("org.freedesktop.login1") ||
        !bus.registerVirtualObject("/org/freedesktop/login1", &login1, QDBusConnection::SubPath)) {
        std::fputs("fake_logind: cannot serve on the bus\n", stderr);
        return 1;
    }
    QFile ready(QString::fromLocal8Bit(argv[2]));
    ready.open(QIODevice::WriteOnly);
    ready.close();
    return app.exec();
}
