// What the generation window asks before it writes: rules that would leave fields out, and
// the emptying of a table that holds records; and what it offers after an analysis: the rules
// file that lies beside the table, or a pointer to "Vorschlag".
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include "core/fields/DefinitionTables.h"
#include "core/fields/RememberedRules.h"
#include "core/fields/RulesFile.h"
#include "core/generate/FillRun.h"
#include "core/generate/Random.h"
#include "core/generate/RunSummary.h"
#include "core/platform/CodePage.h"
#include "ui/fields/DtaErstellen.h"
#include "ui/fields/SummaryLabel.h"
#include "ui/gauge/GaugeControl.h"

namespace fw {
namespace {

std::string ToCore(const QString& text) { return Utf8ToCp1252(text.toStdString()); }

// A question with "Ja" and "Nein"; Escape and closing the box answer "Nein".
bool AskYesNo(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
              bool yesIsDefault) {
  QMessageBox box(icon, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
  box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
  box.setDefaultButton(yesIsDefault ? QMessageBox::Yes : QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

// A check that shows nothing and lets no events run: a stop pressed meanwhile reaches the run.
class CheckingHost : public QuietFillHost {
public:
  void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
};

}  // namespace

QString RefusalReason(const std::string& message) {
  QString reason = QString::fromStdString(message);
  reason.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  // The closing sentence of a refusal says what the question asks about.
  static const QRegularExpression notFilled(
      QStringLiteral("\\s*(Das Feld( \\S+)?|Es) wird nicht gefüllt\\.\\s*$"));
  reason.remove(notFilled);
  reason = reason.simplified();
  if (!reason.endsWith(QLatin1Char('.')) && !reason.endsWith(QLatin1Char('!')))
    reason += QLatin1Char('.');
  return reason;
}

bool DtaErstellen::RulesAccepted() {
  acceptedRefusals_.clear();
  CheckingHost host;
  RandomStream random(1);  // the run's own random source stays as the seed left it
  RunContext context = run_->Context();
  context.Random = &random;
  FillRun check(host, *tables_, context);
  check.cProgrammDaten = run_->cProgrammDaten;
  check.lNurPruefen = true;
  check.nVorhanden = run_->nVorhanden;
  check.dbAuswahl = std::move(run_->dbAuswahl);
  struct GiveBack {
    FillRun& from;
    FillRun& to;
    ~GiveBack() { to.dbAuswahl = std::move(from.dbAuswahl); }
  } giveBack{check, *run_};
  check.PBFillDB(ToCore(sleSatzzahl->text()), chkLeeren->isChecked());

  QStringList lines;
  for (const FillRun::RefusedField& refused : check.Abgelehnt) {
    // A refusal of the whole run (too many records) is the run's own message.
    if (refused.Field.empty()) return true;
    lines << QString::fromStdString(refused.Field) + QStringLiteral(": ") +
                 RefusalReason(refused.Text);
  }
  if (lines.isEmpty()) return true;
  const bool yes = AskYesNo(
      this, QMessageBox::Warning, QStringLiteral("Regeln prüfen"),
      QStringLiteral("%1 nach den Regeln nicht gefüllt:\n\n%2\n\n"
                     "Sollen die übrigen Felder trotzdem gefüllt werden?")
          .arg(lines.size() == 1 ? QStringLiteral("Dieses Feld wird")
                                 : QStringLiteral("Diese Felder werden"),
               lines.join(QLatin1Char('\n'))),
      false);
  // The run reports the same refusals again; the user has just read them.
  if (yes)
    for (const FillRun::RefusedField& refused : check.Abgelehnt)
      acceptedRefusals_.insert(QString::fromStdString(refused.Text));
  return yes;
}

bool DtaErstellen::EmptyingAccepted() {
  if (!chkLeeren->isChecked() || !dbAuswahl()) return true;
  const uint32_t records = dbAuswahl()->RecCount();
  if (records == 0) return true;
  const QString name = QFileInfo(QFile::decodeName(tablePath_.c_str())).fileName();
  return AskYesNo(this, QMessageBox::Question, QStringLiteral("Tabelle leeren"),
                  QStringLiteral("Die Tabelle %1 enthält %2 %3.\n\n"
                                 "Sollen sie vor dem Füllen gelöscht werden?")
                      .arg(name, QString::fromStdString(GroupedNumber(records)),
                           records == 1 ? QStringLiteral("Datensatz")
                                        : QStringLiteral("Datensätze")),
                  false);
}

bool DtaErstellen::OfferRulesBesideTable() {
  const QFileInfo table(QFile::decodeName(tablePath_.c_str()));
  const QString beside = table.absolutePath() + QLatin1Char('/') + table.completeBaseName() +
                         QStringLiteral(".rules.ini");
  QFile file(beside);
  if (!file.open(QIODevice::ReadOnly)) return false;
  if (RulesOnly(file.readAll().toStdString()) == RulesOnly(RulesText(*dbAuswahl(), *tables_,
                                                         QFile::encodeName(table.absolutePath()).toStdString())))
    return true;  // the rules are already those
  if (!AskYesNo(this, QMessageBox::Question, QStringLiteral("Regeln"),
                QStringLiteral("Neben der Tabelle liegt die Regeldatei %1.\n\n"
                               "Sollen ihre Regeln geladen werden?")
                    .arg(QFileInfo(beside).fileName()),
                true))
    return false;
  TakeRules(QFile::encodeName(beside).toStdString());
  return true;
}

void DtaErstellen::ShowFirstRunHint() {
  txtSumme->SetText(QStringLiteral(
      "Die Regeln sind noch die der Analyse: Texte aus Zufallswörtern, Zahlen, Logik- und "
      "Memofelder leer. „Vorschlag“ trägt zu jedem Feld passende Regeln ein."));
  firstRunHint_ = true;
}

void DtaErstellen::RulesChanged() {
  if (firstRunHint_) {
    txtSumme->SetText(QString());
    firstRunHint_ = false;
  }
  // The gauges and status texts of the last run belong to the old rules.
  for (FieldKind kind : kFieldKinds) {
    GaugeOf(kind)->Clear();
    StatusText(kind)->clear();
  }
}

}  // namespace fw
