#pragma once
// A window showing an array of records as a table (RecordTableModel): a click on a column
// header sorts by it (numbers as numbers, then text; again for the other direction), a
// click on a row tells chosen which element it is, the rows copy as TSV and save as CSV.
// Long work (sorting, saving, copying many rows) runs on a thread of the window's own
// with progress; Esc stops it, or closes the window when nothing runs.
#include "json/big/BigDocument.h"

#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class QCheckBox;
class QLabel;
class QProgressBar;
class QTableView;

namespace tess {

class RecordTableModel;

class RecordTableWindow : public QWidget {
    Q_OBJECT
public:
    RecordTableWindow(std::shared_ptr<const big::BigDocument> document, const big::Node& array, uint64_t columnRows,
                      const QString& title, QWidget* parent);
    ~RecordTableWindow() override;

    RecordTableModel& model() { return *m_model; }
    QTableView* view() { return m_view; }
    // Told the element (number in the array) of the row clicked.
    std::function<void(uint64_t element)> chosen;

    // Sorts by column (the work runs on the window's thread for small tables).
    void sortBy(int column, bool descending);
    // The selected rows (all rows without a selection) as TSV with the column names.
    void copyRows();
    // Writes the table in its shown order as CSV; the outcome shows in the window's
    // status and comes to saved when given.
    void saveCsv(const std::string& path, bool byteOrderMark);
    bool busy() const { return m_worker.joinable() && !m_finished; }
    QString statusText() const;
    // Called when background work ended (tests wait for it).
    std::function<void()> workDone;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Progress = std::function<bool(uint64_t done, uint64_t total)>;
    // Runs work on the window's thread when small, else on its worker; then runs done here.
    void run(const QString& what, bool large, std::function<std::function<void()>(const Progress&)> work);
    void stopWork();
    void finishWork();
    void headerClicked(int column);
    void saveDialog();
    std::string tsvOfRows(const std::vector<int>& rows, const Progress& progress) const;

    RecordTableModel* m_model = nullptr;
    QTableView* m_view = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QCheckBox* m_byteOrderMark = nullptr;
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{true};
    std::atomic<int> m_percent{0};
    std::function<void()> m_done;
    bool m_descending = false;
    int m_lastColumn = -1;
};

} // namespace tess
