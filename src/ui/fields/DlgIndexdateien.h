#pragma once
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;
class QLabel;

namespace fw {

// The dialog "Indexdateien": the index files of the chosen table with a check box each
// (checked: rebuilt after the fill). The files that belong to the table (by its name or as its
// production index) are always rebuilt and cannot be unchecked; the other index files of the
// table's folder whose keys fit the table are offered unchecked; the user adds any other one.
// A file the program cannot rebuild exactly is shown greyed, its reason as tooltip.
class DlgIndexdateien : public QDialog {
  Q_OBJECT
public:
  // `named`: the files the rules name now (RuleSet::IndexFiles).
  DlgIndexdateien(QWidget* owner, const std::string& tablePath, const std::vector<std::string>& named);

  // The files the user names when the dialog closes with OK: checked, not belonging to the table.
  std::vector<std::string> Named() const;
  // Adds a file (as "Indexdatei hinzufügen…" does) checked; the plan is made anew.
  void AddFile(const std::string& path);

  // Picks a file to add; the program's file-open dialog unless a test sets it.
  std::function<QString(DlgIndexdateien&)> FileChooser;

  QListWidget* lstDateien;
  QLabel* txtPlan;
  QPushButton* pbHinzufuegen;
  QPushButton* pbOK;
  QPushButton* pbAbbrechen;

private:
  void Fill(const std::vector<std::string>& named);
  void PBHinzufuegen();

  std::string table_;
};

}  // namespace fw
