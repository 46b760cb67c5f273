#include "app/Viewer.h"

#include "app/MainWindow.h"
#include "app/ProgramDirectory.h"
#include "app/ProgramIcon.h"
#include "app/ProgramObjects.h"
#include "app/QtTranslations.h"
#include "app/ViewerStart.h"
#include "platform/qt/GuiPump.h"
#include "platform/qt/PlatformStartGuard.h"
#include "platform/qt/QtText.h"
#include "platform/qt/SignalCloser.h"
#include "settings/SettingsMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include <csignal>
#include <cstdio>
#include <memory>

namespace tess {
namespace {

ViewerArguments parseArguments(const QStringList& args)
{
    std::vector<std::string> plain;
    for (qsizetype i = 1; i < args.size(); ++i)
        plain.push_back(args[i].toStdString());
    return parseViewerArguments(plain);
}

void showStoreMessage(const SettingsMessage& m)
{
    QMessageBox box(m.icon == SettingsMessage::Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    qt::toQString(m.caption), qt::toQString(m.text), QMessageBox::Ok);
    box.exec();
}

} // namespace

int runViewer(int argc, char** argv)
{
    // Past a file-size limit a write fails with EFBIG, which saving reports, instead of the
    // signal ending the program with its documents unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    qt::PlatformStartGuard platformGuard(noDisplayMessage());
    QApplication app(argc, argv);
    platformGuard.end();
    QApplication::setApplicationName(QStringLiteral("Tessarine"));
    // Lets the desktop match the window to the installed menu entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral(TESS_APP_ID));
    QApplication::setWindowIcon(programIcon());
    installQtTranslations();
    const ViewerArguments args = parseArguments(QApplication::arguments());
    if (!args.error.empty()) {
        std::fprintf(stderr, "tessarine: %s\n", args.error.c_str());
        return 2;
    }

    auto objects = std::make_unique<ProgramObjects>();
    const std::string dir =
        resolveProgramDirectory(QApplication::applicationDirPath().toStdString(), args.dataDir);
    if (dir.empty()) {
        std::fprintf(stderr, "tessarine: no folder for the settings and data files\n");
        return 1;
    }
    setSettingsMessageHook(&showStoreMessage);
    const bool held = objects->settings.open(dir + "/Tessarine.ini");
    qt::installGuiPump();

    int status = 0;
    {
        MainWindowSetup setup;
        setup.programDir = dir;
        setup.writeAtClose = held;
        setup.startFile = args.file;
        MainWindow window(*objects, setup);
        QPointer<MainWindow> guard(&window);
        qt::SignalCloser closer([guard] {
            if (guard)
                guard->closeBySignal();
        });
        window.show();
        window.offerUnsavedCopies();
        if (!held) {
            // Opened without a loop of its own: a close (also by a signal) before the box
            // is answered ends the program like any other close.
            auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Tessarine"),
                                        qt::ui(u8"设置文件正被另一个运行中的 Tessarine 使用（或无法写入）。\n"
                                               u8"本次关闭时不保存数据文件和设置，以免覆盖另一个实例的文档。"),
                                        QMessageBox::Ok, &window);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        }
        status = app.exec();
    }
    qt::removeGuiPump();
    setSettingsMessageHook({});
    objects.reset();
    return status;
}

} // namespace tess
