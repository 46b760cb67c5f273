#include "app/RecordTableWindow.h"

#include "app/SaveFile.h"
#include "json/big/TableText.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/RecordTableModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tess {
namespace {

using qt::ui;

// Rows handled on the window's thread at once; more go to the worker.
constexpr int kSmallRows = 20000;

} // namespace

RecordTableWindow::RecordTableWindow(std::shared_ptr<const big::BigDocument> document, const big::Node& array,
                                     uint64_t columnRows, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("recordTable"));
    setWindowTitle(title);
    m_model = new RecordTableModel(std::move(document), array, columnRows, this);
    m_view = new QTableView(this);
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->horizontalHeader()->setSectionsClickable(true);
    m_view->horizontalHeader()->setSortIndicatorShown(false);
    connect(m_view->horizontalHeader(), &QHeaderView::sectionClicked, this, &RecordTableWindow::headerClicked);
    const auto choose = [this](const QModelIndex& index) {
        if (index.isValid() && chosen)
            chosen(m_model->elementOfRow(index.row()));
    };
    connect(m_view, &QTableView::clicked, this, choose);
    connect(m_view, &QTableView::activated, this, choose);
    m_view->installEventFilter(this); // the view would copy only its current cell

    auto* copy = new QPushButton(ui(u8"复制为TSV"), this);
    copy->setToolTip(ui(u8"复制选中的行（未选中时复制全部行），制表符分隔 (Ctrl+C)"));
    connect(copy, &QPushButton::clicked, this, &RecordTableWindow::copyRows);
    auto* save = new QPushButton(ui(u8"另存为CSV..."), this);
    connect(save, &QPushButton::clicked, this, &RecordTableWindow::saveDialog);
    m_byteOrderMark = new QCheckBox(ui(u8"CSV带BOM（供电子表格软件识别UTF-8）"), this);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setMaximumWidth(160);
    m_progress->hide();
    m_status = new QLabel(this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy);
    buttons->addWidget(save);
    buttons->addWidget(m_byteOrderMark);
    buttons->addStretch(1);
    buttons->addWidget(m_status);
    buttons->addWidget(m_progress);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    auto* timer = new QTimer(this);
    timer->setInterval(100);
    connect(timer, &QTimer::timeout, this, [this] {
        if (busy())
            m_progress->setValue(m_percent.load());
    });
    timer->start();

    m_status->setText(ui(u8"%1 行，%2 列").arg(m_model->rowCount()).arg(m_model->columnCount()));
    resize(900, 600);
}

RecordTableWindow::~RecordTableWindow()
{
    m_stop = true;
    if (m_worker.joinable())
        m_worker.join();
}

QString RecordTableWindow::statusText() const
{
    return m_status->text();
}

void RecordTableWindow::run(const QString& what, bool large,
                            std::function<std::function<void()>(const Progress&)> work)
{
    if (busy())
        stopWork();
    if (m_worker.joinable())
        m_worker.join();
    m_stop = false;
    if (!large) {
        const Progress never = [](uint64_t, uint64_t) { return true; };
        work(never)();
        if (workDone)
            workDone();
        return;
    }
    m_status->setText(what + ui(u8"（Esc 停止）"));
    m_percent = 0;
    m_progress->setValue(0);
    m_progress->show();
    m_finished = false;
    m_worker = std::thread([this, work = std::move(work)] {
        const Progress progress = [this](uint64_t done, uint64_t total) {
            if (total > 0)
                m_percent = static_cast<int>(done * 100 / total);
            return !m_stop.load();
        };
        std::function<void()> done;
        try {
            done = work(progress);
        } catch (const std::bad_alloc&) {
            done = [this] { m_status->setText(ui(u8"内存不足，未完成")); };
        }
        m_done = std::move(done);
        m_finished = true;
        QMetaObject::invokeMethod(this, [this] { finishWork(); }, Qt::QueuedConnection);
    });
}

void RecordTableWindow::finishWork()
{
    if (m_worker.joinable())
        m_worker.join();
    m_progress->hide();
    if (m_done) {
        const std::function<void()> done = std::move(m_done);
        m_done = nullptr;
        done();
    }
    if (workDone)
        workDone();
}

void RecordTableWindow::stopWork()
{
    m_stop = true;
}

void RecordTableWindow::headerClicked(int column)
{
    // The same column again turns the order round.
    const bool descending = column == m_lastColumn ? !m_descending : false;
    sortBy(column, descending);
}

void RecordTableWindow::sortBy(int column, bool descending)
{
    if (column < 0 || column >= m_model->columnCount())
        return;
    const big::RecordTable& table = m_model->table();
    const bool large = m_model->rowCount() > kSmallRows;
    run(ui(u8"正在排序"), large, [this, &table, column, descending](const Progress& progress) -> std::function<void()> {
        std::vector<uint64_t> order = table.sortedRows(static_cast<std::size_t>(column), descending, progress);
        if (order.size() != table.rowCount())
            return [this] { m_status->setText(ui(u8"排序已停止")); };
        return [this, order = std::move(order), column, descending]() mutable {
            m_model->setOrder(std::move(order), column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
            m_lastColumn = column;
            m_descending = descending;
            m_view->horizontalHeader()->setSortIndicatorShown(true);
            m_view->horizontalHeader()->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
            m_status->setText(ui(u8"%1 行，%2 列，按“%3”%4排列")
                                  .arg(m_model->rowCount())
                                  .arg(m_model->columnCount())
                                  .arg(m_model->headerData(column, Qt::Horizontal).toString(),
                                       descending ? ui(u8"降序") : ui(u8"升序")));
        };
    });
}

std::string RecordTableWindow::tsvOfRows(const std::vector<int>& rows, const Progress& progress) const
{
    std::string out;
    const auto& columns = m_model->table().columns();
    for (std::size_t k = 0; k < columns.size(); ++k) {
        if (k > 0)
            out.push_back('\t');
        big::appendDelimitedField(out, columns[k], '\t');
    }
    out += '\n';
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i % 4096 == 0 && !progress(i, rows.size()))
            return {};
        const std::vector<big::TableCell> cells = m_model->rowCells(rows[i]);
        for (std::size_t k = 0; k < cells.size(); ++k) {
            if (k > 0)
                out.push_back('\t');
            big::appendDelimitedField(out, cells[k].text, '\t');
        }
        out += '\n';
    }
    return out;
}

void RecordTableWindow::copyRows()
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty()) {
        rows.resize(static_cast<std::size_t>(m_model->rowCount()));
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = static_cast<int>(i);
    }
    std::sort(rows.begin(), rows.end());
    const bool large = rows.size() > static_cast<std::size_t>(kSmallRows);
    run(ui(u8"正在复制"), large, [this, rows = std::move(rows)](const Progress& progress) -> std::function<void()> {
        std::string text = tsvOfRows(rows, progress);
        if (text.empty())
            return [this] { m_status->setText(ui(u8"复制已停止")); };
        const std::size_t count = rows.size();
        return [this, text = std::move(text), count] {
            QApplication::clipboard()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
            m_status->setText(ui(u8"已复制 %1 行（TSV）").arg(count));
        };
    });
}

void RecordTableWindow::saveDialog()
{
    const QString path = QFileDialog::getSaveFileName(this, ui(u8"另存为CSV"), QString(), ui(u8"CSV 文件 (*.csv)"));
    if (!path.isEmpty())
        saveCsv(path.toStdString(), m_byteOrderMark->isChecked());
}

void RecordTableWindow::saveCsv(const std::string& path, bool byteOrderMark)
{
    const big::RecordTable& table = m_model->table();
    std::vector<uint64_t> order = m_model->order();
    const bool large = m_model->rowCount() > kSmallRows;
    run(ui(u8"正在保存"), large,
        [this, &table, order = std::move(order), path, byteOrderMark](const Progress& progress) -> std::function<void()> {
            bool stopped = false;
            const SaveOutcome outcome = saveFileAtomically(path, [&](const ByteSink& sink) {
                std::string out;
                if (byteOrderMark)
                    out += "\xEF\xBB\xBF";
                const auto& columns = table.columns();
                for (std::size_t k = 0; k < columns.size(); ++k) {
                    if (k > 0)
                        out.push_back(',');
                    big::appendDelimitedField(out, columns[k], ',');
                }
                out += "\r\n";
                bool ok = true;
                uint64_t done = 0;
                const auto row = [&](const big::Node& record) {
                    const std::vector<big::TableCell> cells = table.cells(record);
                    for (std::size_t k = 0; k < cells.size(); ++k) {
                        if (k > 0)
                            out.push_back(',');
                        big::appendDelimitedField(out, cells[k].text, ',');
                    }
                    out += "\r\n";
                    if (out.size() >= (1u << 20)) {
                        ok = sink(out);
                        out.clear();
                    }
                    if (++done % 4096 == 0 && !progress(done, table.rowCount())) {
                        stopped = true;
                        ok = false;
                    }
                    return ok;
                };
                if (order.empty()) {
                    table.forEachRecord(0, row);
                } else {
                    for (const uint64_t element : order) {
                        if (!ok)
                            break;
                        table.forEachRecord(element, [&](const big::Node& record) {
                            row(record);
                            return false;
                        });
                    }
                }
                return ok && sink(out);
            });
            const QString name = QString::fromStdString(path);
            if (stopped)
                return [this] { m_status->setText(ui(u8"保存已停止，文件未写入")); };
            if (outcome != SaveOutcome::Written)
                return [this, name] { m_status->setText(ui(u8"无法写入文件：%1").arg(name)); };
            return [this, name] { m_status->setText(ui(u8"已另存为CSV：%1").arg(name)); };
        });
}

void RecordTableWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        if (busy())
            stopWork();
        else
            close();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copyRows();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool RecordTableWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copyRows();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RecordTableWindow::closeEvent(QCloseEvent* event)
{
    stopWork();
    QWidget::closeEvent(event);
}

} // namespace tess
