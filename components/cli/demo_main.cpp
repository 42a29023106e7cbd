// fragdeck-demo: says what recorded demos hold, read from the recordings themselves.
#include "DemoCli.h"
#include "QueryCli.h"

#include <QCoreApplication>
#include <cstdio>

using namespace fragdeck;
using namespace fragdeck::cli;

int main(int argc, char** argv)
{
    // No window is ever created: this runs on machines without a display.
    QCoreApplication app(argc, argv);
    DemoOptions o;
    QString error;
    if (!parseDemoArguments(app.arguments().mid(1), &o, &error)) {
        print(stderr, ("fragdeck-demo: " + error + "\n\n" + demoUsageText()).toLocal8Bit());
        return DemoExitUsage;
    }
    if (o.help) {
        print(stdout, demoUsageText().toLocal8Bit());
        return DemoExitOk;
    }
    QList<DemoResult> results;
    int status = DemoExitOk;
    for (const QString& file : o.files) {
        const DemoResult r = readDemoArgument(file);
        if (!r.info.readable)
            status = DemoExitUnreadable;
        if (!o.json)
            print(stdout, formatDemoPlain(r).toUtf8()); // each demo as soon as it is read
        results.append(r);
    }
    if (o.json)
        print(stdout, formatDemoJson(results));
    return status;
}
