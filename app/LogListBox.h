// The log list: one text line per entry, newest first, shown as columns split at the
// delimiter character (character 200 of the ANSI code page, "È").
#pragma once

#include <QStringList>
#include <QTreeWidget>

class TLogListBox : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TLogListBox(QWidget* parent = nullptr);

  void SetDelimiter(QChar delimiter) { Delimiter_ = delimiter; }
  QChar Delimiter() const { return Delimiter_; }
  const QStringList& Items() const { return items_; }
  void InsertLine(int index, const QString& line);
  void ClearItems();
  // The whole-text form: every line ended by a carriage return and line feed.
  QString Text() const;

 private:
  QChar Delimiter_;
  QStringList items_;
};

// Character 200 of the ANSI code page.
inline constexpr char16_t kLogDelimiter = u'\u00C8';
