#include "app/InfoDialog.h"

#include "platform/qt/QtText.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <cmath>

namespace tess {
namespace {

InfoDialog* g_open = nullptr;

// 12 pixels per line; a line of the prompt takes its byte length / (width / 6) lines.
int promptHeight(const QString& prompt, int width)
{
    if (prompt.isEmpty())
        return 0;
    const double perLine = width / 6.0;
    int lines = 0;
    for (const QString& line : prompt.split(QStringLiteral("\r\n"))) {
        const double bytes = static_cast<double>(qt::toGb(line).size());
        lines += perLine > 0 ? static_cast<int>(std::ceil(bytes / perLine)) : 1;
    }
    return 12 * lines;
}

} // namespace

InfoDialog::InfoDialog(const InfoDialogParams& params)
    : QDialog(nullptr), m_params(params), m_prompt(new QPlainTextEdit(this)), m_body(new QPlainTextEdit(this)),
      m_close(new QPushButton(this))
{
    setObjectName(QStringLiteral("InfoDialog"));
    m_prompt->setObjectName(qt::ui(u8"编辑框提示"));
    m_body->setObjectName(qt::ui(u8"编辑框正文"));
    m_close->setObjectName(qt::ui(u8"按钮取消"));
    if (m_params.margin < 1)
        m_params.margin = 5;

    m_prompt->setReadOnly(true);
    m_prompt->setFrameShape(QFrame::NoFrame);
    m_prompt->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_prompt->setPlainText(m_params.prompt);
    setWindowTitle(m_params.title);
    QString shown = m_params.body;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_body->setPlainText(shown);
    m_close->setText(qt::ui(u8"关闭"));
    if (m_params.informationMode) {
        // Read-only, but with a caret so the text can be walked and selected by keyboard.
        m_body->setReadOnly(true);
        m_body->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
        m_close->setText(qt::ui(u8"关闭(&G)"));
    }
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    setModal(true);
    resize(495, 393);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.width() / 2 - width() / 2, (s.height() - 30) / 2 - height() / 2);
    }
    layoutControls();
    m_body->setFocus();
}

void InfoDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutControls();
}

void InfoDialog::layoutControls()
{
    const int m = m_params.margin;
    const int w = width();
    const int h = height();
    const int promptWidth = w - 2 * m;
    const int ph = promptHeight(m_prompt->toPlainText(), promptWidth);
    m_prompt->setGeometry(m, m, promptWidth, ph);
    m_prompt->setVisible(ph > 0);
    const int bodyTop = m + ph + m;
    const int bodyHeight = h - bodyTop - 34;
    m_body->setGeometry(m, bodyTop, promptWidth, bodyHeight > 0 ? bodyHeight : 0);
    const QSize bs(90, 26);
    m_close->setGeometry(w - m - bs.width(), bodyTop + (bodyHeight > 0 ? bodyHeight : 0) + (34 - bs.height()) / 2,
                         bs.width(), bs.height());
}

InfoDialog* openInfoDialog()
{
    return g_open;
}

void showInfoDialog(InfoDialogParams& record, const QString& body, const QString& prompt, const QString& title)
{
    if (g_open)
        return;
    record.prompt = prompt;
    record.title = title.isEmpty() ? qt::ui(u8"信息：") : title;
    record.body = body;
    record.informationMode = true;
    if (record.margin < 1)
        record.margin = 5;
    InfoDialog dialog(record);
    g_open = &dialog;
    dialog.exec();
    g_open = nullptr;
}

} // namespace tess
