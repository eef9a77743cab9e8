// The desktop program: wires the application object to Qt's event loop.
#include <QApplication>
#include <cstdio>

#include "app/caelvane_app.h"
#include "app/instance_channel.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CAppOptions options;
    QString noChannel;
    options.instanceName = CInstanceChannel::DefaultName(&noChannel);
    if (options.instanceName.isEmpty()) {
        std::fprintf(stderr, "caelvane: files are not handed between starts: %s\n",
                     noChannel.toLocal8Bit().constData());
    }
    CCaelvaneApp app(options);
    // The arguments as bytes: QApplication's text of them loses names that are not UTF-8.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i) arguments.append(QByteArray(argv[i]));
    if (const std::optional<int> status = app.InitInstanceNative(arguments)) return *status;
    return application.exec();
}
