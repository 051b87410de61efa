#include "ui/app/Info_VO.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrlQuery>

#include "ui/app/Globals.h"
#include "core/app/Settings.h"
#include "core/platform/CodePage.h"
#include "ui/app/Icons.h"
#include "ui/platform/DialogUnits.h"

namespace fw {
namespace {

QFont LinkFont() {
  QFont font = ControlFont();
  font.setUnderline(true);
  return font;
}

QFont TitleFont() {
  QFont font = ControlFont();
  font.setPointSize(12);
  return font;
}

// The link colour: dark blue, the first colour after black of the sixteen basic colours.
const QColor kLinkColor(0, 0, 128);

template <typename Control>
Control* Place(Control* control, const char* name, int x, int y, int w, int h,
               const QFont& font) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(DialogRect(x, y, w, h));
  control->setFont(font);
  return control;
}

QLabel* Text(QWidget* parent, const QString& text, const char* name, int x, int y, int w, int h,
             Qt::Alignment alignment = Qt::AlignLeft) {
  QLabel* label = Place(new QLabel(text, parent), name, x, y, w, h, ControlFont());
  label->setTextFormat(Qt::PlainText);  // names from the settings file are not markup
  label->setAlignment(alignment | Qt::AlignTop);
  return label;
}

FrameBox* Frame(QWidget* parent, const char* name, int x, int y, int w, int h) {
  FrameBox* box = Place(new FrameBox(QString(), parent), name, x, y, w, h, ControlFont());
  box->lower();  // a frame only: the texts inside stay on top of it
  return box;
}

}  // namespace

QString SupportMailAddress() {
  const QString address =
      QString::fromStdString(Cp1252ToUtf8(ReadSettings(goIni).SupportMail));
  static const QRegularExpression plain(
      QStringLiteral(R"(^[^\s@<>()\[\],;:"?&#%/\\]+@[^\s@<>()\[\],;:"?&#%/\\]+$)"));
  return plain.match(address).hasMatch() ? address : QString();
}

QUrl MailToUrl(const QString& address) {
  QUrl url;
  url.setScheme(QStringLiteral("mailto"));
  url.setPath(address);
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Ihr Problem:"));
  url.setQuery(query);
  return url;
}

Info_VO::Info_VO(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("_INFO"));
  setModal(true);
  setFont(DialogFont());
  setFixedSize(DialogSize(265, 144));
  if (owner) move(owner->mapToGlobal(QPoint(0, 0)) + DialogRect(98, 57, 0, 0).topLeft());

  const QString address = SupportMailAddress();

  ico1 = new QLabel(this);
  ico1->setObjectName(QStringLiteral("ico1"));
  ico1->setGeometry(DialogRect(8, 7, 23, 18));

  pbEMail = Place(new QPushButton(address, this), "pbEMail", 136, 128, 128, 13, LinkFont());
  pbEMail->hide();
  connect(pbEMail, &QPushButton::clicked, this, &Info_VO::PBEMail);

  txtEMail1 = Place(new QLabel(this), "txtEMail1", 8, 118, 123, 8, LinkFont());
  txtEMail1->setTextFormat(Qt::RichText);
  txtEMail1->setText(QStringLiteral("<a href=\"%1\" style=\"color:%2\">%3</a>")
                         .arg(MailToUrl(address).toString(QUrl::FullyEncoded).toHtmlEscaped(),
                              kLinkColor.name(), address.toHtmlEscaped()));
  txtEMail1->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  txtEMail1->setCursor(Qt::PointingHandCursor);
  txtEMail1->setToolTip(address);
  connect(txtEMail1, &QLabel::linkActivated, this, &Info_VO::PBEMail);
  txtEMail1->setVisible(!address.isEmpty());

  txtProgramm = Place(new QLabel(QStringLiteral("Platzhalter"), this), "txtProgramm", 40, 7, 218,
                      17, TitleFont());
  txtProgramm->setTextFormat(Qt::PlainText);
  txtProgramm->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  txtVersion = Text(this, QStringLiteral("Platzhalter"), "txtVersion", 37, 24, 221, 15,
                    Qt::AlignHCenter);
  theGroupBox2 = Frame(this, "theGroupBox2", 42, 40, 178, 4);
  theFixedText2 = Text(this, QStringLiteral("Fuellwerk"), "theFixedText2", 84, 46, 96, 14,
                       Qt::AlignHCenter);
  theFixedText3 = Text(this, QStringLiteral("Testdaten für dBase-Tabellen"), "theFixedText3", 2,
                       59, 262, 12, Qt::AlignHCenter);
  theGroupBox1 = Frame(this, "theGroupBox1", 42, 71, 179, 33);
  theFixedText4 = Text(this, QStringLiteral("Systemresourcen:"), "theFixedText4", 58, 78, 76, 13);
  FreeResources = Text(this, QStringLiteral("Free Resources"), "FreeResources", 136, 78, 76, 13);
  theFixedText5 = Text(this, QStringLiteral("Freier Speicher:"), "theFixedText5", 58, 91, 76, 9);
  FreeMemory = Text(this, QStringLiteral("Free Memory"), "FreeMemory", 136, 91, 76, 9);
  pbSchliessen = Place(new QPushButton(QStringLiteral("SCHLIESSEN"), this), "pbSchliessen", 178,
                       115, 68, 14, ControlFont());
  connect(pbSchliessen, &QPushButton::clicked, this, &Info_VO::PBSchliessen);

  setWindowTitle(QStringLiteral("Platzhalter"));
  setWindowIcon(OrbIcon());
}

void Info_VO::PBSchliessen() { accept(); }

void Info_VO::PBEMail() {
  const QString address = pbEMail->text();
  if (address.isEmpty()) return;
  QDesktopServices::openUrl(MailToUrl(address));
}

}  // namespace fw
