// The log list.
#include "app/LogListBox.h"

#include <QHeaderView>

TLogListBox::TLogListBox(QWidget* parent) : QTreeWidget(parent), Delimiter_(kLogDelimiter) {
  setColumnCount(3);
  setHeaderLabels({"Time", "Status", "Message"});
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  header()->resizeSection(0, 100);
  header()->resizeSection(1, 80);
  header()->setStretchLastSection(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void TLogListBox::InsertLine(int index, const QString& line) {
  items_.insert(index, line);
  QStringList fields = line.split(Delimiter_);
  if (fields.size() > columnCount()) setColumnCount(int(fields.size()));
  insertTopLevelItem(index, new QTreeWidgetItem(fields));
}

void TLogListBox::ClearItems() {
  items_.clear();
  clear();
}

QString TLogListBox::Text() const {
  QString text;
  for (const QString& line : items_) text += line + "\r\n";
  return text;
}
