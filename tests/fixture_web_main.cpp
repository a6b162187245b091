// kestrune-fixture-web: serves the fixture web to a person trying the program without the real
// sites. Point the program at it as its proxy:
//     kestrune-fixture-web --port 18080 &
//     http_proxy=http://127.0.0.1:18080 kestrune
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrune-fixture-web"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Answers every platform address from files, on 127.0.0.1 only; never forwards a request."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (0: any free port)."),
                                        QStringLiteral("port"), QStringLiteral("18080"));
    const QCommandLineOption rootOption(QStringLiteral("root"),
                                        QStringLiteral("Folder of host folders to serve."),
                                        QStringLiteral("folder"), fixturePath(QStringLiteral("web")));
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("Do not list the requests."));
    const QCommandLineOption laterOption(
        QStringLiteral("later"),
        QStringLiteral("Serve the site a while later: pages of this folder answer before the root's."),
        QStringLiteral("folder"));
    parser.addOptions({portOption, rootOption, quietOption, laterOption});
    parser.process(app);

    bool portIsNumber = false;
    const uint port = parser.value(portOption).toUInt(&portIsNumber);
    if (!portIsNumber || port > 65535) {
        std::fprintf(stderr, "kestrune-fixture-web: not a port: %s\n", qPrintable(parser.value(portOption)));
        return 2;
    }
    const QString root = parser.value(rootOption);
    if (!QDir(root).exists()) {
        std::fprintf(stderr, "kestrune-fixture-web: no such folder: %s\n", qPrintable(root));
        return 2;
    }

    FixtureWebServer server(root);
    if (parser.isSet(laterOption)) {
        if (!QDir(parser.value(laterOption)).exists()) {
            std::fprintf(stderr, "kestrune-fixture-web: no such folder: %s\n",
                         qPrintable(parser.value(laterOption)));
            return 2;
        }
        server.setOverlayFolder(parser.value(laterOption));
    }
    if (!parser.isSet(quietOption)) {
        server.setRequestLog([](const QString& line) {
            std::printf("%s\n", line.toLocal8Bit().constData());
            std::fflush(stdout);
        });
    }
    if (!server.start(static_cast<quint16>(port))) {
        std::fprintf(stderr, "kestrune-fixture-web: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    std::printf("Serving %s on %s\nStart the program with: http_proxy=%s kestrune\n",
                qPrintable(QDir(root).absolutePath()), qPrintable(server.proxyUrl()),
                qPrintable(server.proxyUrl()));
    std::fflush(stdout);
    return app.exec();
}
