// apurfat-host: the stand-in host application of the suite.

#include "contracts/host_framework.h"
#include "host/command_line.h"
#include "host/host_application.h"
#include "host/host_startup.h"

#include <cstdio>

int main(int argc, char** argv) {
    // The command line is read before the application exists, so that --help and a usage
    // error need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    HostOptions options;
    try {
        options = parseHostOptions(arguments);
    } catch (const Exception& e) {
        std::fprintf(stderr, "apurfat-host: %s\n", qPrintable(e.message()));
        return 2;
    }
    if (options.answered)
        return 0;
    HostApplication app(argc, argv);
    return runHost(options);
}
