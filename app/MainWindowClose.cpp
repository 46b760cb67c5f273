// Saving the tabs' data files at close, and what happens when one cannot be written: the
// user decides (retry, save elsewhere, close without it, stay open); a close by signal
// leaves an unsaved copy that the next start offers back. No text is dropped unsaid.
#include "app/CloseSave.h"
#include "app/MainWindow.h"
#include "app/ProgramObjects.h"
#include "app/SaveFile.h"
#include "app/UnsavedCopies.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/TreeView.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace tess {

void MainWindow::closeBySignal()
{
    m_closeBySignal = true;
    requestClose();
}

bool MainWindow::saveSlotsAtClose()
{
    // A tab whose new text is still being parsed is saved with that text.
    CloseSave saver(m_setup.programDir, [this](int n) {
        return [text = closingText(n)](const ByteSink& sink) { return text.forEachPiece(sink); };
    });
    std::vector<int> loaded;
    for (int n = 1; n <= kSlots; ++n)
        if (tree(n)->loaded || parseRunning(n))
            loaded.push_back(n);
    saver.save(loaded);

    while (!saver.failures().empty()) {
        if (m_closeBySignal) {
            for (const std::string& line : saver.leaveUnsavedCopies())
                std::fprintf(stderr, "%s\n", line.c_str());
            return true;
        }
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessarine"),
                        qt::ui(u8"以下树页的文本未能保存到数据文件：") + QString::fromStdString(saver.failureList()) +
                            qt::ui(u8"\n\n数据文件夹：") + QString::fromStdString(m_setup.programDir),
                        QMessageBox::NoButton, this);
        box.setObjectName(QStringLiteral("saveFailedBox"));
        QPushButton* retry = box.addButton(qt::ui(u8"重试"), QMessageBox::AcceptRole);
        QPushButton* elsewhere = box.addButton(qt::ui(u8"另存为…"), QMessageBox::ActionRole);
        QPushButton* discard = box.addButton(qt::ui(u8"不保存，退出"), QMessageBox::DestructiveRole);
        QPushButton* stay = box.addButton(qt::ui(u8"取消"), QMessageBox::RejectRole);
        box.setDefaultButton(retry);
        box.setEscapeButton(stay);
        box.exec();
        if (box.clickedButton() == discard)
            return true;
        if (box.clickedButton() == retry) {
            saver.retry();
        } else if (box.clickedButton() == elsewhere) {
            const std::vector<SaveFailure> failed = saver.failures();
            for (const SaveFailure& f : failed) {
                const QString path = QFileDialog::getSaveFileName(
                    this, qt::ui(u8"第 %1 个树页另存为").arg(f.slot),
                    QString::fromStdString(slotFilePath(QDir::homePath().toStdString(), f.slot)));
                saver.saveElsewhere(f.slot, path.toStdString());
            }
        } else {
            return false; // stay open
        }
    }
    return true;
}

void MainWindow::offerUnsavedCopies()
{
    if (!m_setup.writeAtClose)
        return;
    const std::vector<UnsavedCopy> copies = findUnsavedCopies(m_setup.programDir);
    if (copies.empty())
        return;
    QString list;
    for (const UnsavedCopy& c : copies)
        list += qt::ui(u8"\n第 %1 个树页：%2").arg(c.slot).arg(QString::fromStdString(c.path));
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Tessarine"),
                                qt::ui(u8"上次关闭时以下树页的文本未能保存到数据文件，已另存为：") + list +
                                    qt::ui(u8"\n\n现在载入回原来的树页吗？（树页中现有的文档可用“撤销载入”找回）"),
                                QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("unsavedCopiesBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* load = box->addButton(qt::ui(u8"载入"), QMessageBox::AcceptRole);
    box->setEscapeButton(box->addButton(qt::ui(u8"以后再说"), QMessageBox::RejectRole));
    connect(box, &QMessageBox::finished, this, [this, copies, box, load] {
        if (box->clickedButton() != load)
            return;
        for (const UnsavedCopy& c : copies) {
            std::string text = readSlotFile(c.path);
            if (!tree(c.slot)->loaded)
                readSlotIfNeeded(c.slot);
            loadTextIntoSlot(c.slot, std::move(text));
            // The tab holds the text now and writes it to its data file at close.
            std::error_code ec;
            std::filesystem::remove(c.path, ec);
        }
        showStatusMessage(qt::ui(u8"已载入 %1 个未保存的树页").arg(copies.size()));
    });
    box->open();
}

} // namespace tess
