#pragma once
// "以表格查看": the selected array of records (the root without a selection; a JSON Lines
// document's records) in a RecordTableWindow whose row clicks select that element in
// the tab's tree.
namespace tess {

class MainWindow;
class RecordTableWindow;

// The window opened, or null with the reason in the status line.
RecordTableWindow* openRecordTable(MainWindow& window);

} // namespace tess
