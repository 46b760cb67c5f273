// The controls of the main window: names, captions, tags, initial states, geometry.
#include "app/FormArt.h"
#include "app/FormWidgets.h"
#include "app/MainWindow.h"
#include "app/ProgramObjects.h"
#include "app/SplitHandle.h"
#include "app/WindowLayout.h"
#include "platform/Codec.h"
#include "platform/qt/QtText.h"
#include "settings/qt/QtControls.h"
#include "tree/widgets/TreeIcons.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"
#include "tree/widgets/ValueBox.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tess {
namespace {

using qt::ui;

constexpr int kOptionPanelHeight = 40;
constexpr int kFindBarHeight = 36;
constexpr int kTabsTop = 78;
constexpr int kTabsWidth = 560;
constexpr int kRightColumnLeft = 565;
constexpr int kStatusHeight = 22;
// The logo moves between the home-page picture (right edge 182) and the option check
// boxes, with 20 pixels on each side: the check boxes stop moving left at 342.
constexpr int kOptionMaxShift = 420 - (182 + 20 + 120 + 20);
constexpr int kMinimumHeight = 400;
constexpr int kToggleWidth = 76;

void forbidSaving(QWidget* w)
{
    setControlTag(w, codec::gb(u8"禁止保存"));
}

QCheckBox* checkBox(QWidget* parent, const char8_t* name, const char8_t* caption, int x, int width)
{
    auto* box = new QCheckBox(ui(caption), parent);
    box->setObjectName(ui(name));
    box->setGeometry(x, 10, width, 22);
    box->setProperty("formX", x); // its place in a window of the form's width
    return box;
}

} // namespace

void MainWindow::buildForm()
{
    setObjectName(QStringLiteral("Drovantile"));
    setWindowTitle(QStringLiteral("Tessarine(Drovantile) v1.1.5.0"));
    setGeometry(50, 50, 1020, 739);
    setMinimumSize(1020 - kOptionMaxShift, kMinimumHeight);
    setAcceptDrops(true);

    // The find bar comes first so that the settings file lists the option check boxes
    // at its top (a new key is written directly below the section header).
    buildFindBar();
    buildOptionPanel();

    m_pasteTree = new PressButton(ui(u8"粘贴JSON数据到树（右键单击可读取网址数据）"), this);
    m_pasteTree->setObjectName(ui(u8"按钮粘贴JSON树"));
    m_pasteTree->setGeometry(4, 44, kTabsWidth - 8, 30);
    forbidSaving(m_pasteTree);

    buildSlots();

    m_splitHandle = new SplitHandle(this);
    m_splitHandle->setObjectName(QStringLiteral("splitHandle"));
    connect(m_splitHandle, &SplitHandle::dragged, this, &MainWindow::setSplitPosition);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setIndent(6);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_pathBox = new QLineEdit(this);
    m_pathBox->setObjectName(ui(u8"编辑框路径"));
    // The value is looked up from this box's text: a deep node's path must not be cut at
    // the default 32767 characters.
    m_pathBox->setMaxLength(std::numeric_limits<int>::max());
    m_pathBox->setGeometry(kRightColumnLeft, 46, 1020 - kRightColumnLeft - 10, 26);
    forbidSaving(m_pathBox);
    // The formatted-view toggle sits at the end of the path box's row, above the value box.
    // Its state is kept in the window's own settings section, not in the form's.
    m_formatted = new QCheckBox(ui(u8"格式化"), this);
    m_formatted->setObjectName(ui(u8"选择框格式化显示"));
    m_formatted->setToolTip(ui(u8"以缩进格式显示对象和数组的值 (Ctrl+Shift+F)"));
    forbidSaving(m_formatted);
    m_valueBox = new ValueBox(this);
    m_valueBox->setObjectName(ui(u8"编辑框路径数据"));
    m_valueBox->setGeometry(kRightColumnLeft, kTabsTop, 1020 - kRightColumnLeft - 10, 400);
    forbidSaving(m_valueBox);
    m_decodedBox = new ValueBox(this);
    m_decodedBox->setObjectName(ui(u8"编辑框路径数据2"));
    m_decodedBox->setGeometry(kRightColumnLeft, kTabsTop + 405, 1020 - kRightColumnLeft - 10, 200);
    forbidSaving(m_decodedBox);

    m_treeMenu = new QMenu(this);
    m_treeMenu->setObjectName(ui(u8"树菜单"));
    m_treeMenu->addAction(ui(u8"复制路径"), this, &MainWindow::copyPath);
    m_treeMenu->addAction(ui(u8"复制路径数据"), this, &MainWindow::copyValue);
    m_treeMenu->addAction(ui(u8"复制USC2解码的路径数据"), this, &MainWindow::copyDecodedValue);
    buildFetchCancel();

    m_logoTimer = new QTimer(this);
    m_logoTimer->setObjectName(ui(u8"时钟官网"));
    m_logoTimer->setInterval(20);
    connect(m_logoTimer, &QTimer::timeout, this, &MainWindow::onLogoTimer);
    m_logoTimer->start();
}

void MainWindow::buildFindBar()
{
    m_findBar = new QFrame(this);
    m_findBar->setObjectName(ui(u8"外形框1"));
    m_findBar->setFrameShape(QFrame::StyledPanel);
    m_findBar->setGeometry(0, 739 - kFindBarHeight, 1020, kFindBarHeight);

    m_read = new QPushButton(ui(u8"读取"), m_findBar);
    m_read->setObjectName(ui(u8"按钮读取"));
    m_read->setGeometry(960, 5, 50, 26);
    m_read->hide(); // no command uses it; it keeps its settings key

    auto* label = new QLabel(ui(u8"查找选项："), m_findBar);
    label->setGeometry(6, 8, 72, 20);

    m_findNext = new PressButton(ui(u8"下一个"), m_findBar);
    m_findNext->setObjectName(ui(u8"按钮下一个"));
    m_findNext->setGeometry(440, 5, 70, 26);
    m_findPrevious = new QPushButton(ui(u8"上一个"), m_findBar);
    m_findPrevious->setObjectName(ui(u8"按钮上一个"));
    m_findPrevious->setGeometry(515, 5, 70, 26);
    m_findPaste = new QPushButton(ui(u8"粘贴"), m_findBar);
    m_findPaste->setObjectName(ui(u8"按钮粘贴"));
    m_findPaste->setGeometry(385, 5, 50, 26);

    m_findText = new QLineEdit(ui(u8"要在JSON树中查找的文本"), m_findBar);
    m_findText->setObjectName(ui(u8"编辑框查找文本"));
    m_findText->setGeometry(80, 6, 300, 24);

    m_modePlain = new QRadioButton(ui(u8"默认"), m_findBar);
    m_modePlain->setObjectName(ui(u8"单选框默认"));
    m_modePlain->setGeometry(595, 8, 58, 20);
    m_modePlain->setChecked(true);
    m_modeWildcard = new QRadioButton(ui(u8"通配"), m_findBar);
    m_modeWildcard->setObjectName(ui(u8"单选框通配"));
    m_modeWildcard->setGeometry(655, 8, 58, 20);
    m_modeRegex = new QRadioButton(ui(u8"正则"), m_findBar);
    m_modeRegex->setObjectName(ui(u8"单选框正则"));
    m_modeRegex->setGeometry(715, 8, 58, 20);

    m_ignoreCase = new QCheckBox(ui(u8"忽略大小写"), m_findBar);
    m_ignoreCase->setObjectName(ui(u8"选择框忽略大小写"));
    m_ignoreCase->setGeometry(780, 8, 110, 20);
}

void MainWindow::buildOptionPanel()
{
    m_optionPanel = new QFrame(this);
    m_optionPanel->setObjectName(ui(u8"图片框1"));
    m_optionPanel->setGeometry(0, 0, 1020, kOptionPanelHeight);

    m_arrayAsNode = checkBox(m_optionPanel, u8"选择框数组独立节点", u8"数组独立节点", 420, 105);
    m_arrayAsNode->setChecked(true);
    m_zeroBased = checkBox(m_optionPanel, u8"选择框数组从0开始", u8"数组从零开始", 525, 105);
    m_textIcons = checkBox(m_optionPanel, u8"选择框文字图标", u8"文字图标", 805, 85);
    m_onTop = checkBox(m_optionPanel, u8"选择框窗口置顶", u8"窗口置顶", 890, 85);
    m_singleQuote = checkBox(m_optionPanel, u8"选择框单引号格式", u8"单引号格式", 715, 90);
    m_decodeFirst = checkBox(m_optionPanel, u8"选择框先行解码", u8"先行解码", 630, 85);

    m_aboutPicture = new PressLabel(m_optionPanel);
    m_aboutPicture->setObjectName(ui(u8"图片疑点说明"));
    m_aboutPicture->setPixmap(questionPixmap());
    m_aboutPicture->setGeometry(6, 8, 24, 24);
    m_aboutPicture->setCursor(Qt::PointingHandCursor);
    m_aboutLink = new PressLabel(ui(u8"<a href=\"#\">疑点说明</a>"), m_optionPanel);
    m_aboutLink->setObjectName(ui(u8"链接疑点说明"));
    m_aboutLink->setGeometry(32, 10, 60, 20);
    m_aboutLink->setCursor(Qt::PointingHandCursor);
    m_homeLink = new PressLabel(ui(u8"<a href=\"#\">软件主页</a>"), m_optionPanel);
    m_homeLink->setObjectName(ui(u8"链接软件主页"));
    m_homeLink->setProperty("address", QStringLiteral("https://www.example.com/tessarine/"));
    m_homeLink->setGeometry(96, 10, 60, 20);
    m_homeLink->setCursor(Qt::PointingHandCursor);
    m_homePicture = new PressLabel(m_optionPanel);
    m_homePicture->setObjectName(ui(u8"图片软件主页"));
    m_homePicture->setPixmap(homePagePixmap());
    m_homePicture->setGeometry(158, 8, 24, 24);
    m_homePicture->setCursor(Qt::PointingHandCursor);
    m_logo = new PressLabel(m_optionPanel);
    m_logo->setObjectName(ui(u8"图片Korvell软件"));
    m_logo->setPixmap(logoPixmap());
    m_logo->setGeometry(210, 5, 120, 30);
    m_logo->setCursor(Qt::PointingHandCursor);
}

void MainWindow::buildSlots()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(ui(u8"选择夹"));
    m_tabs->setGeometry(0, kTabsTop, kTabsWidth, 739 - kTabsTop - kFindBarHeight);
    static const char8_t* const kTreeNames[kSlots] = {u8"树型框", u8"树型框2", u8"树型框3", u8"树型框4",
                                                      u8"树型框5", u8"树型框6", u8"树型框7"};
    static const char8_t* const kCaptions[kSlots] = {u8"  JSON树  ", u8"  树2  ", u8"  树3  ", u8"  树4  ",
                                                     u8"  树5  ",    u8"  树6  ", u8"  树7  "};
    for (int i = 0; i < kSlots; ++i) {
        auto* page = new QWidget;
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        auto* view = new TreeView(page);
        pageLayout->addWidget(view);
        view->setObjectName(ui(kTreeNames[i]));
        view->treeModel().setIcons(m_icons);
        Slot& tab = slot(i + 1);
        tab.view = view;
        tab.document = &m_objects.documents[static_cast<std::size_t>(i)];
        m_tabs->addTab(page, ui(kCaptions[i]));
    }
}

void MainWindow::layoutMainWindow()
{
    // The status line takes the bottom row; the form's rules apply to the area above it.
    const int w = width();
    const int h = height() - kStatusHeight;
    m_status->setGeometry(0, h, w, kStatusHeight);
    // 1. find bar at the bottom, full width
    m_findBar->setGeometry(0, h - m_findBar->height(), w, m_findBar->height());
    // The tree pane ends at the split position; the boxes start after the handle.
    const int split = splitPosition();
    const int right = split + (kRightColumnLeft - kTabsWidth);
    m_pasteTree->setGeometry(4, m_pasteTree->y(), split - 8, m_pasteTree->height());
    // 2. the tab control down to the find bar
    const int d = h - m_tabs->y() - m_findBar->height();
    m_tabs->setGeometry(0, m_tabs->y(), split, d > 0 ? d : 0);
    m_splitHandle->setGeometry(split, m_pasteTree->y(), right - split, std::max(0, h - m_findBar->height() - m_pasteTree->y()));
    // 3. every tree fills its page below the tab strip (each page's layout does it)
    // 4. the path box to 10 pixels before the right edge, less the formatted-view toggle
    const int pathWidth = w - right - 10 - kToggleWidth;
    m_pathBox->setGeometry(right, m_pathBox->y(), pathWidth > 0 ? pathWidth : 0, m_pathBox->height());
    m_formatted->setGeometry(w - 10 - kToggleWidth + 6, m_pathBox->y(), kToggleWidth - 6, m_pathBox->height());
    const int boxWidth = std::max(0, w - right - 10);
    // 5. value box two thirds, decoded-value box one third of the tab control's height
    const double x = d / 3.0;
    const int valueHeight = static_cast<int>(std::lround(2 * x - 5));
    m_valueBox->setGeometry(right, m_valueBox->y(), boxWidth, valueHeight > 0 ? valueHeight : 0);
    const int decodedHeight = static_cast<int>(std::lround(x));
    m_decodedBox->setGeometry(right, m_valueBox->y() + m_valueBox->height() + 5, boxWidth,
                              decodedHeight > 0 ? decodedHeight : 0);
    // 6. the option panel spans the window; in a narrower window its check boxes move left
    m_optionPanel->resize(w, m_optionPanel->height());
    const int shift = optionShift(w, kOptionMaxShift);
    for (QCheckBox* box : {m_arrayAsNode, m_zeroBased, m_decodeFirst, m_singleQuote, m_textIcons, m_onTop})
        box->move(box->property("formX").toInt() - shift, box->y());
}

int MainWindow::splitPosition() const
{
    return clampSplit(static_cast<int>(std::lround(m_splitShare * width())), width());
}

void MainWindow::setSplitPosition(int x)
{
    if (width() > 0)
        m_splitShare = static_cast<double>(clampSplit(x, width())) / width();
    layoutMainWindow();
}

void MainWindow::onLogoTimer()
{
    const int left = m_logo->x();
    const int right = left + m_logo->width();
    if (m_logoStep > 0 && right > m_arrayAsNode->x() - 20)
        m_logoStep = -1;
    else if (m_logoStep < 0 && left < m_homePicture->x() + m_homePicture->width() + 20)
        m_logoStep = 1;
    m_logo->move(left + m_logoStep, m_logo->y());
}

} // namespace tess
