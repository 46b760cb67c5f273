#pragma once
// A viewer on the offscreen platform over a temporary program folder, built the way
// the program builds it (program-wide objects, settings file, main window).
#include "app/MainWindow.h"
#include "app/ProgramObjects.h"
#include "platform/Codec.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>

namespace tess::testing {

class TempDir {
public:
    TempDir()
    {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() / ("tess-app-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string str() const { return m_path.string(); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string utf8(std::string_view gb)
{
    return codec::gb18030ToUtf8(gb).text;
}

inline std::string gb(const char8_t* s)
{
    return std::string(codec::gb(s));
}

inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

struct Viewer {
    std::unique_ptr<ProgramObjects> objects;
    std::unique_ptr<MainWindow> window;
    bool held = false;

    explicit Viewer(const std::string& dir, bool show = true,
                    const std::function<void(MainWindowSetup&)>& adjust = {})
    {
        objects = std::make_unique<ProgramObjects>();
        held = objects->settings.open(dir + "/Tessarine.ini");
        MainWindowSetup setup;
        setup.programDir = dir;
        setup.writeAtClose = held;
        setup.notFoundMs = 60;
#ifdef TESS_BINARY
        setup.queryProgram = TESS_BINARY;
#endif
        if (adjust)
            adjust(setup);
        window = std::make_unique<MainWindow>(*objects, setup);
        if (show) {
            window->show();
            settle();
        }
    }
    ~Viewer()
    {
        window.reset();
        objects.reset();
    }

    template <typename W>
    W* control(const char8_t* name) const
    {
        return window->findChild<W*>(qt::ui(name));
    }

    TreeView& tree() const { return *window->currentTree(); }
    std::string caption(int item) const { return utf8(tree().treeModel().itemCaption(item)); }
    void paste(const char8_t* json)
    {
        QApplication::clipboard()->setText(QString::fromUtf8(reinterpret_cast<const char*>(json)));
        QTest::mouseClick(control<QPushButton>(u8"按钮粘贴JSON树"), Qt::LeftButton);
        settle();
    }
    void closeWindow()
    {
        window->close();
        settle();
    }
};

// An active window, so that keys reach the focused widget and the window's shortcuts.
inline void activate(Viewer& v)
{
    v.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v.window.get()));
}

inline QAction* menuAction(Viewer& v, const char8_t* caption)
{
    for (QAction* a : v.window->findChildren<QAction*>())
        if (a->text() == qt::ui(caption))
            return a;
    return nullptr;
}

// Answers the next modal dialog (a message box or a file dialog) from inside its loop,
// as soon as it is shown, and again while that dialog stays open (a file dialog that is
// still reading its folder can drop a file name set too early).
inline void answerDialog(const std::function<void(QWidget*)>& answer, bool found, QPointer<QWidget> target, int triesLeft)
{
    QTimer::singleShot(20, [answer, found, target, triesLeft]() mutable {
        if (triesLeft <= 0)
            return;
        if (!found) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return answerDialog(answer, false, nullptr, triesLeft - 1);
            found = true;
            target = modal;
        } else if (!target || !target->isVisible()) {
            return; // answered: the dialog is closed (or gone)
        }
        answer(target);
        answerDialog(answer, true, target, triesLeft - 1);
    });
}

inline void answerNextDialog(const std::function<void(QWidget*)>& answer)
{
    answerDialog(answer, false, nullptr, 250);
}

// Chooses path in a file dialog as typing it into the name box does (selectFile alone
// can be undone by the dialog's folder being read in the background).
inline void chooseFile(QWidget* dialog, const std::string& path)
{
    auto* d = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(d, nullptr);
    auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path));
    QMetaObject::invokeMethod(d, "accept");
}

// The item named by its captions from the root down, "/" between them ("data/items/[1]/id"):
// a container's caption is its name, a scalar's "name:value". -1 when there is none.
inline int itemAt(const Viewer& v, std::string_view names)
{
    const TreeModel& model = v.tree().treeModel();
    int current = 0; // the root
    while (!names.empty()) {
        const std::size_t slash = names.find('/');
        const std::string name(names.substr(0, slash));
        names = slash == std::string_view::npos ? std::string_view() : names.substr(slash + 1);
        const int depth = model.itemDepth(current);
        int found = -1;
        for (int i = current + 1; i < model.itemCount() && model.itemDepth(i) > depth && found < 0; ++i) {
            const std::string caption = v.caption(i);
            if (model.itemDepth(i) == depth + 1 && (caption == name || caption.rfind(name + ":", 0) == 0))
                found = i;
        }
        if (found < 0)
            return -1;
        current = found;
    }
    return current;
}

} // namespace tess::testing
