// The desktop program: wires the application object to Qt's event loop.
#include <QApplication>

#include "app/caelvane_app.h"
#include "app/instance_channel.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CAppOptions options;
    options.instanceName = CInstanceChannel::DefaultName();
    CCaelvaneApp app(options);
    if (const std::optional<int> status = app.InitInstance(application.arguments().mid(1))) {
        return *status;
    }
    return application.exec();
}
