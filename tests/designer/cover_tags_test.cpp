// Tag replacement, the time text and the tag dialog's rules.
#include <gtest/gtest.h>

#include "designer/cover_tags.h"
#include "designer/fax_panel.h"
#include "designer/tag_dialog_rules.h"

namespace telvane {
namespace {

TagValues Values() {
  TagValues v;
  v.Date = QStringLiteral("12/8/26");
  v.Time = QStringLiteral("10:23pm");
  v.PageCount = 12;
  v.PageNumber = 3;
  v.Sender = QStringLiteral("张三");
  v.Recipient = QStringLiteral("李四");
  v.PageTitle = QStringLiteral("报价");
  v.StationID = QStringLiteral("+86 10 1234");
  return v;
}

TEST(CoverTags, ReplacesEachTagWithoutRegardToCase) {
  EXPECT_EQ(ReplaceTags(QStringLiteral("总页：$N"), Values()), QStringLiteral("总页：12"));
  EXPECT_EQ(ReplaceTags(QStringLiteral("总页：$n"), Values()), QStringLiteral("总页：12"));
  EXPECT_EQ(ReplaceTags(QStringLiteral("$d - $D"), Values()), QStringLiteral("12/8/26 - 12/8/26"));
  EXPECT_EQ(ReplaceTags(QStringLiteral("$P/$N $F>$R $s $i $t $X $"), Values()),
            QStringLiteral("3/12 张三>李四 报价 +86 10 1234 10:23pm $X $"));
}

TEST(CoverTags, LaterTagsAreFoundInEarlierValuesOnly) {
  TagValues v = Values();
  v.Sender = QStringLiteral("[$S|$F|$d]");  // $S comes later; $F itself and $D earlier
  v.PageTitle = QStringLiteral("<$F>");
  EXPECT_EQ(ReplaceTags(QStringLiteral("$F"), v), QStringLiteral("[<$F>|$F|$d]"));
  // A value that forms a tag with the text after it.
  v.Sender = QStringLiteral("$");
  EXPECT_EQ(ReplaceTags(QStringLiteral("$FS"), v), QStringLiteral("<$F>"));
}

TEST(CoverTags, TimeDropsSecondsAndLowerCases) {
  EXPECT_EQ(ShortenTimeText(QStringLiteral("10:23:45 PM")), QStringLiteral("10:23pm"));
  EXPECT_EQ(ShortenTimeText(QStringLiteral("9:05:00 AM")), QStringLiteral("9:05am"));
  EXPECT_EQ(ShortenTimeText(QStringLiteral("22:23:45")), QStringLiteral("22:23"));
  EXPECT_EQ(ShortenTimeText(QStringLiteral("下午10:23:45")), QStringLiteral("下午10:23"));
  EXPECT_EQ(ShortenTimeText(QStringLiteral("10 PM")), QStringLiteral("10 pm"));
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  EXPECT_EQ(TimeTagText(QTime(22, 23, 45), us), QStringLiteral("10:23pm"));
  EXPECT_EQ(TimeTagText(QTime(22, 23, 45), QLocale(QLocale::German)), QStringLiteral("22:23"));
  EXPECT_EQ(TimeTagText(QTime(22, 23, 45), QLocale(QLocale::Chinese, QLocale::China)), QStringLiteral("22:23"));
  // Seconds with a unit of their own.
  EXPECT_EQ(TimeTagText(QTime(22, 23, 45), QLocale(QLocale::Japanese)), QStringLiteral("22時23分"));
  EXPECT_EQ(TimeTagText(QTime(22, 23, 45), QLocale(QLocale::Korean)), QStringLiteral("오후 10시 23분"));
  EXPECT_EQ(DateTagText(QDate(2026, 12, 8), us), QStringLiteral("12/8/26"));
}

TEST(TagDialogRules, ChecksPageNumberThenPageCount) {
  TFaxPanel page;
  ReplaceTagRules r = ReplaceTagRules::FromPage(page);  // a new design: 0 and 0
  EXPECT_EQ(r.PageNumberText(), QStringLiteral("0"));
  ReplaceTagRules::Check c = r.Validate();
  EXPECT_EQ(c.Offending, ReplaceTagRules::Control::PageNumberEdit);
  EXPECT_EQ(c.Message, QStringLiteral("Invalid page number entered."));
  EXPECT_FALSE(r.ApplyTo(page));

  r.SetPageNumberText(QStringLiteral(" 7  "));
  c = r.Validate();
  EXPECT_EQ(c.Offending, ReplaceTagRules::Control::PageCountEdit);
  EXPECT_EQ(c.Message, QStringLiteral("Invalid page count entered."));
  for (const char* bad : {"", "    ", "1 2", "0000"}) {
    r.SetPageCountText(QString::fromLatin1(bad));
    EXPECT_EQ(r.Validate().Offending, ReplaceTagRules::Control::PageCountEdit) << bad;
  }
  r.SetPageCountText(QStringLiteral("123456"));  // the mask holds 4 digits
  EXPECT_EQ(r.PageCountText(), QStringLiteral("1234"));
  EXPECT_TRUE(r.Validate().Ok());

  r.SetSender(QString(150, QLatin1Char('s')));
  r.SetStationID(QString(80, QLatin1Char('i')));
  r.SetPageTitle(QStringLiteral("标题"));
  ASSERT_TRUE(r.ApplyTo(page));
  EXPECT_EQ(page.PageNumber, 7);
  EXPECT_EQ(page.PageCount, 1234);
  EXPECT_EQ(page.Sender.size(), 100);
  EXPECT_EQ(page.StationID.size(), 60);
  EXPECT_EQ(page.PageTitle, QStringLiteral("标题"));
}

}  // namespace
}  // namespace telvane
