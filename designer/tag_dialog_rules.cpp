// Limits and checks of the tag dialog.
#include "designer/tag_dialog_rules.h"

#include "designer/fax_panel.h"

namespace telvane {
namespace {

// A number edit's mask holds 4 optional digit places with blanks as spaces.
QString MaskedNumber(const QString& text) {
  QString out;
  int places = 0;
  for (QChar c : text) {
    if (places == ReplaceTagRules::kNumberDigits) break;
    if (c.isDigit() && c.unicode() < 128) out += c, ++places;
    else if (c == QLatin1Char(' ')) out += c, ++places;
  }
  return out;
}

bool PositiveNumber(const QString& text, int& value) {
  bool ok = false;
  value = text.trimmed().toInt(&ok, 10);
  return ok && value > 0;
}

}  // namespace

ReplaceTagRules ReplaceTagRules::FromPage(const TFaxPanel& page) {
  ReplaceTagRules r;
  r.SetSender(page.Sender);
  r.SetRecipient(page.Recipient);
  r.SetPageTitle(page.PageTitle);
  r.SetStationID(page.StationID);
  r.SetPageNumberText(QString::number(page.PageNumber));
  r.SetPageCountText(QString::number(page.PageCount));
  return r;
}

void ReplaceTagRules::SetSender(const QString& text) { sender_ = text.left(kSenderMaxLength); }
void ReplaceTagRules::SetRecipient(const QString& text) { recipient_ = text.left(kRecipientMaxLength); }
void ReplaceTagRules::SetPageTitle(const QString& text) { pageTitle_ = text.left(kPageTitleMaxLength); }
void ReplaceTagRules::SetStationID(const QString& text) { stationId_ = text.left(kStationIdMaxLength); }
void ReplaceTagRules::SetPageNumberText(const QString& text) { pageNumber_ = MaskedNumber(text); }
void ReplaceTagRules::SetPageCountText(const QString& text) { pageCount_ = MaskedNumber(text); }

ReplaceTagRules::Check ReplaceTagRules::Validate() const {
  int value;
  if (!PositiveNumber(pageNumber_, value)) return {Control::PageNumberEdit, QStringLiteral("Invalid page number entered.")};
  if (!PositiveNumber(pageCount_, value)) return {Control::PageCountEdit, QStringLiteral("Invalid page count entered.")};
  return {};
}

bool ReplaceTagRules::ApplyTo(TFaxPanel& page) const {
  if (!Validate().Ok()) return false;
  page.Sender = sender_;
  page.Recipient = recipient_;
  page.PageTitle = pageTitle_;
  page.StationID = stationId_;
  page.PageNumber = pageNumber_.trimmed().toInt();
  page.PageCount = pageCount_.trimmed().toInt();
  return true;
}

}  // namespace telvane
