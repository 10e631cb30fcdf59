// The test server as a program, for clients in other processes (the Python client's test):
// listens on 127.0.0.1 on a free port and prints the port as the first line of its output.
//
//   rcon_test_server [--password P] [--stall commands|everything] [--drop-mid-answer] [--byte-by-byte]
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "test_server.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A stand-in for the game server's RCON listener, for tests."));
    parser.addHelpOption();
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("The password it takes."),
                                      QStringLiteral("password"));
    const QCommandLineOption stall(QStringLiteral("stall"), QStringLiteral("Never answer commands, or anything."),
                                   QStringLiteral("commands|everything"));
    const QCommandLineOption drop(QStringLiteral("drop-mid-answer"),
                                  QStringLiteral("Close the connection halfway through each answer."));
    const QCommandLineOption trickle(QStringLiteral("byte-by-byte"), QStringLiteral("Send one byte at a time."));
    parser.addOptions({password, stall, drop, trickle});
    parser.process(app);

    rcon_test::ServerOptions options;
    if (parser.isSet(password)) options.password = parser.value(password);
    if (parser.value(stall) == QLatin1String("commands")) options.stall = rcon_test::Stall::Commands;
    if (parser.value(stall) == QLatin1String("everything")) options.stall = rcon_test::Stall::Everything;
    options.dropMidAnswer = parser.isSet(drop);
    options.byteByByte = parser.isSet(trickle);

    rcon_test::TestServer server(options);
    if (!server.listen()) {
        std::fprintf(stderr, "rcon_test_server: cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
