// The main window: layout and the window operations.
#include "app/uFrmMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTime>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Dialogs.h"
#include "app/LogListBox.h"
#include "app/StepImages.h"
#include "app/brFileVer.h"
#include "platform/Exception.h"

QString TrimText(const QString& text) {
  qsizetype b = 0, e = text.size();
  while (b < e && text[b].unicode() <= 0x20) ++b;
  while (e > b && text[e - 1].unicode() <= 0x20) --e;
  return text.mid(b, e - b);
}

namespace {

// A group box inside a panel with a 5-pixel border.
QGroupBox* AddPanel(QVBoxLayout* parent, const QString& caption, int height) {
  auto* box = new QGroupBox(caption);
  if (height > 0) box->setFixedHeight(height - 10);
  auto* panel = new QWidget;
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(5, 5, 5, 5);
  layout->addWidget(box);
  if (height > 0) panel->setFixedHeight(height);
  parent->addWidget(panel, height > 0 ? 0 : 1);
  return box;
}

// A read-only edit with one text button on its right.
QWidget* ButtonEdit(QLineEdit** edit, QPushButton** button, const QString& caption,
                    const QString& hint) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  *edit = new QLineEdit;
  (*edit)->setReadOnly(true);
  (*edit)->setToolTip(hint);
  *button = new QPushButton(caption);
  (*button)->setToolTip(hint);
  layout->addWidget(*edit, 1);
  layout->addWidget(*button);
  return row;
}

// Shows a status text in its colour.
void ShowStatus(QLabel* label, const QString& text, const QColor& colour) {
  label->setText(text);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
}

QLabel* StatusLabel() {
  auto* label = new QLabel;
  ShowStatus(label, "Disconnected", clGreen);
  return label;
}

// The text of one group box: caption labels beside their controls.
void FillConnectionBox(QGroupBox* box, const QString& editCaption, QWidget* edit, QLabel* status) {
  auto* grid = new QVBoxLayout(box);
  auto* row1 = new QHBoxLayout;
  auto* caption1 = new QLabel(editCaption);
  caption1->setFixedWidth(80);
  row1->addWidget(caption1);
  row1->addWidget(edit, 1);
  auto* row2 = new QHBoxLayout;
  auto* caption2 = new QLabel("Status");
  caption2->setFixedWidth(80);
  row2->addWidget(caption2);
  row2->addWidget(status, 1);
  grid->addLayout(row1);
  grid->addLayout(row2);
}

}  // namespace

TfrmMain::TfrmMain(IDialogs& dialogs, std::string programFile,
                   std::unique_ptr<ILicenseDatabase> licenseDatabase, QWidget* parent)
    : QMainWindow(parent),
      VexDatabase(std::move(licenseDatabase)),
      dialogs_(dialogs),
      programFile_(std::move(programFile)) {
  ADOConnection.CommandTimeout = 10;
  ADOConnection.ConnectionTimeout = 10;
  ADOConnection.LoginPrompt = false;
  BuildLayout();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::BuildLayout() {
  setWindowTitle("Tallyon 2 Vivirav Irarude Import Tool");
  resize(481, 505);
  setMinimumSize(481, 505);
  QFont font("Tahoma");
  font.setPointSize(8);
  setFont(font);

  PageControl = new QTabWidget;
  setCentralWidget(PageControl);

  // Tab "Import".
  auto* importTab = new QWidget;
  auto* importLayout = new QVBoxLayout(importTab);
  importLayout->setContentsMargins(0, 0, 0, 0);
  importLayout->setSpacing(0);

  QGroupBox* licBox = AddPanel(importLayout, "Vivirav Irarude Database", 110);
  lbLicenseStatus = StatusLabel();
  FillConnectionBox(licBox, "Database Path",
                    ButtonEdit(&edtLicDatabase, &btnChooseDatabase, "Choose Database",
                               "Click right button to choose database"),
                    lbLicenseStatus);
  btnChooseDatabase->setDefault(true);

  QGroupBox* serverBox = AddPanel(importLayout, "Tallyon Server", 110);
  lbServerStatus = StatusLabel();
  FillConnectionBox(serverBox, "Server Name",
                    ButtonEdit(&edtServer, &btnChooseServer, "Choose Server",
                               "Click right button to enter server"),
                    lbServerStatus);

  QGroupBox* importBox = AddPanel(importLayout, "Import", 0);
  auto* importBoxLayout = new QVBoxLayout(importBox);
  ListView = new QTreeWidget;
  ListView->setColumnCount(2);
  ListView->setHeaderLabels({"Status", "Steps"});
  ListView->setRootIsDecorated(false);
  ListView->setFixedHeight(118);
  ListView->setIconSize(QSize(24, 24));
  ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView->header()->setSectionsClickable(false);
  ListView->header()->resizeSection(0, 50);
  ListView->header()->setStretchLastSection(true);
  importBoxLayout->addWidget(ListView);
  ProgressBar = new QProgressBar;
  ProgressBar->setRange(0, 10000);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(true);
  ProgressBar->setFormat("");
  importBoxLayout->addWidget(ProgressBar);
  importBoxLayout->addStretch(1);
  auto* bottom = new QHBoxLayout;
  lbNote = new QLabel(
      "If a license with the same name exists in the Tallyon Server database it will not be "
      "imported.");
  lbNote->setWordWrap(true);
  lbNote->setFixedWidth(305);
  bottom->addWidget(lbNote, 0, Qt::AlignLeft | Qt::AlignBottom);
  bottom->addStretch(1);
  btnImport = new QPushButton("Import");
  btnImport->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
  btnImport->setFixedSize(91, 25);
  btnImport->setEnabled(false);
  bottom->addWidget(btnImport, 0, Qt::AlignRight | Qt::AlignBottom);
  importBoxLayout->addLayout(bottom);
  PageControl->addTab(importTab, "Import");

  // Tab "Log".
  auto* logTab = new QWidget;
  auto* logLayout = new QVBoxLayout(logTab);
  logLayout->setContentsMargins(5, 5, 5, 5);
  auto* logBox = new QGroupBox("Log");
  auto* logBoxLayout = new QVBoxLayout(logBox);
  lbLog = new TLogListBox;
  logBoxLayout->addWidget(lbLog);
  logLayout->addWidget(logBox, 1);
  cxButton1 = new QPushButton("Copy log to clipboard");
  cxButton1->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  logLayout->addWidget(cxButton1);
  PageControl->addTab(logTab, "Log");
  PageControl->setCurrentIndex(0);

  PopupMenu = new QMenu(this);
  QAction* copyAction = PopupMenu->addAction("Copy log to clipboard");
  lbLog->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lbLog, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu->popup(lbLog->viewport()->mapToGlobal(at)); });

  connect(copyAction, &QAction::triggered, this, &TfrmMain::Copylogtoclipboard1Click);
  connect(cxButton1, &QPushButton::clicked, this, &TfrmMain::cxButton1Click);
  connect(btnImport, &QPushButton::clicked, this, &TfrmMain::btnImportClick);
  connect(btnChooseServer, &QPushButton::clicked, this, &TfrmMain::edtServerPropertiesButtonClick);
  connect(btnChooseDatabase, &QPushButton::clicked, this,
          &TfrmMain::edtLicDatabasePropertiesButtonClick);
  connect(ListView, &QTreeWidget::itemSelectionChanged, this, &TfrmMain::ListViewSelectItem);
}

void TfrmMain::FormCreate() {
  FImported = false;
  lbLog->SetDelimiter(kLogDelimiter);
  lbLog->ClearItems();
  LoadSettings();
  ConnectServer();
  ConnectLicenseDatabase();
  setWindowTitle(windowTitle() + " : " + QString::fromStdString(GetFileVersionText(programFile_)));
}

void TfrmMain::AddLog(const QString& status, const QString& message) {
  QLocale locale = QLocale::system();
  QString format = locale.timeFormat(QLocale::LongFormat);
  format.remove(QLatin1String(" t")).remove(QLatin1Char('t'));
  QString time = locale.toString(QTime::currentTime(), format.trimmed());
  const QChar d = lbLog->Delimiter();
  lbLog->InsertLine(0, time + d + status + d + message);
}

void TfrmMain::SetServerStatus(const QString& text, const QColor& colour) {
  ShowStatus(lbServerStatus, text, colour);
}

void TfrmMain::SetLicenseStatus(const QString& text, const QColor& colour) {
  ShowStatus(lbLicenseStatus, text, colour);
}

void TfrmMain::ShowProgress(const QString& text, double percent) {
  progressPosition_ = percent;
  ProgressBar->setValue(int(percent * 100 + 0.5));
  ProgressBar->setFormat(text);
  QApplication::processEvents();
}

void TfrmMain::AddStep(const QString& text, int image) {
  auto* item = new QTreeWidgetItem(ListView);
  item->setText(0, QString());
  item->setText(1, text);
  item->setIcon(0, StepImage(image));
  item->setData(0, Qt::UserRole, image);
}

void TfrmMain::UpdateSteps() {
  const bool l = VexDatabase->Connected();
  const bool s = ADOConnection.Connected();
  ListView->clear();
  AddStep("Connect to Vivirav Irarude Database", l ? 1 : 0);
  AddStep("Connect to Tallyon Server Database", s ? 1 : 0);
  AddStep("Import data from Vivirav Irarude Database to Tallyon Server",
          FImported ? 1 : (l && s ? 0 : 2));
  btnImport->setEnabled(l && s);
}

QList<int> TfrmMain::StepImageIndexes() const {
  QList<int> images;
  for (int i = 0; i < ListView->topLevelItemCount(); ++i)
    images << ListView->topLevelItem(i)->data(0, Qt::UserRole).toInt();
  return images;
}

void TfrmMain::btnImportClick() {
  btnImport->setEnabled(false);
  ImportLicenses();
}

QString TfrmMain::LogClipboardText() const {
  // Only the delimiter itself becomes the separator: a message's own "è" stays as it is.
  return lbLog->Text().replace(lbLog->Delimiter(), QLatin1String(" | "));
}

void TfrmMain::Copylogtoclipboard1Click() {
  QApplication::clipboard()->setText(LogClipboardText());
}

void TfrmMain::cxButton1Click() {
  Copylogtoclipboard1Click();
}

void TfrmMain::ListViewSelectItem() {
  if (!ListView->selectedItems().isEmpty()) ListView->clearSelection();
}
