// The rules of the tag dialog (TReplaceTagForm): its fields, their limits,
// the check on OK and the copying of the values to and from the page. The
// dialog's widgets sit on this.
#pragma once

#include <QString>

namespace telvane {

class TFaxPanel;

class ReplaceTagRules {
 public:
  static constexpr int kSenderMaxLength = 100;
  static constexpr int kRecipientMaxLength = 100;
  static constexpr int kPageTitleMaxLength = 60;
  static constexpr int kStationIdMaxLength = 60;
  // Page number and page count edits take up to 4 digits.
  static constexpr int kNumberDigits = 4;

  // The control that a failed check gives the focus to.
  enum class Control { None, PageNumberEdit, PageCountEdit };

  struct Check {
    Control Offending = Control::None;
    QString Message;  // "Invalid page number entered." or "Invalid page count entered."
    bool Ok() const { return Offending == Control::None; }
  };

  // The texts the dialog shows for the page's values (numbers in decimal).
  static ReplaceTagRules FromPage(const TFaxPanel& page);

  // Setters cut a text to its limit, as the edits do; the number setters
  // keep digits and spaces only, at most 4 digit places.
  void SetSender(const QString& text);
  void SetRecipient(const QString& text);
  void SetPageTitle(const QString& text);
  void SetStationID(const QString& text);
  void SetPageNumberText(const QString& text);
  void SetPageCountText(const QString& text);

  const QString& Sender() const { return sender_; }
  const QString& Recipient() const { return recipient_; }
  const QString& PageTitle() const { return pageTitle_; }
  const QString& StationID() const { return stationId_; }
  const QString& PageNumberText() const { return pageNumber_; }
  const QString& PageCountText() const { return pageCount_; }

  // The check of "确定": the page number, trimmed, must be a decimal number
  // above 0, then the page count likewise.
  Check Validate() const;
  // Copies the six values into the page; only after a good Validate.
  bool ApplyTo(TFaxPanel& page) const;

 private:
  QString sender_, recipient_, pageTitle_, stationId_, pageNumber_, pageCount_;
};

}  // namespace telvane
