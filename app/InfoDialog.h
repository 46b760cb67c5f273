#pragma once
// The program's text window, opened here in information mode only: a prompt box,
// a read-only body box and a close button. At most one is open at a time.
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

namespace tess {

// What one opening shows; kept by the program while the dialog is open.
struct InfoDialogParams {
    QString prompt;
    QString title;
    QString body;
    bool informationMode = true;
    int margin = 5;
};

class InfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit InfoDialog(const InfoDialogParams& params);

    QPlainTextEdit* promptBox() const { return m_prompt; }
    QPlainTextEdit* bodyBox() const { return m_body; }
    QPushButton* closeButton() const { return m_close; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutControls();

    InfoDialogParams m_params;
    QPlainTextEdit* m_prompt;
    QPlainTextEdit* m_body;
    QPushButton* m_close;
};

// Opens the dialog modally (no owner) and returns when it is closed. Returns at once
// when a dialog is already open. An empty title gives "信息：".
void showInfoDialog(InfoDialogParams& record, const QString& body, const QString& prompt = {},
                    const QString& title = {});
// The dialog currently open, or null.
InfoDialog* openInfoDialog();

} // namespace tess
