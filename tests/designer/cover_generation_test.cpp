// Cover page generation: the page size, clipping, word wrap, tag values,
// and an APF page compared against an independently drawn reference.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <filesystem>
#include <gtest/gtest.h>

#include "tests/support/apf_pages.h"
#include "designer/cover_generator.h"
#include "designer/fax_designer.h"
#include "designer/fcp_units.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

constexpr double kScale = 854.0 / 600.0;

QDateTime FixedNow() { return QDateTime(QDate(2026, 12, 8), QTime(22, 23, 45)); }

int BlackPixels(const QImage& image, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += qGray(image.pixel(x, y)) < 128;
  return n;
}

TTextField& AddText(TFaxDesigner& d, const QString& text, QRect bounds, int height = -15) {
  TTextField& field = d.Page().AddTextField();
  FieldFont font;
  font.Height = height;
  field.SetFont(font);
  field.SetText(text);
  d.Page().SetFieldBounds(field, bounds);
  return field;
}

TEST(CoverGeneration, EveryPageIs844PixelsWide) {
  TFaxDesigner d;
  EXPECT_EQ(CoverBitmapSize(d.Page()), QSize(844, 1095));
  for (int width : {300, 600, 777, 1200}) {
    for (const PaperSize& paper : kPaperSizes) {
      d.SetPageWidthPixels(width);
      d.SetPageWidthInches(paper.Width);
      d.SetPageHeightInches(paper.Height);
      const QSize size = CoverBitmapSize(d.Page());
      EXPECT_EQ(size.width(), 844) << width << " " << paper.Name;
      EXPECT_EQ(size.height(), RoundToNearestEven(854.0 * d.PageHeightPixels() / width) - 10);
      EXPECT_EQ(RenderCoverPage(d.Page()).size(), size);
    }
  }
  d.SetPageWidthPixels(0);
  EXPECT_TRUE(RenderCoverPage(d.Page()).isNull());
}

TEST(CoverGeneration, ImagePartlyOutsideThePageIsClipped) {
  TFaxDesigner d;
  TImageField& image = d.Page().AddImageField();
  QImage black(8, 8, QImage::Format_RGB32);
  black.fill(Qt::black);
  image.SetPicture(black);
  d.Page().SetFieldBounds(image, QRect(550, 700, 120, 120));
  d.Page().AddImageField();  // an empty image field draws nothing
  const QImage page = RenderCoverPage(d.Page());
  ASSERT_EQ(page.size(), QSize(844, 1095));
  // From (nearest(550 s), nearest(700 s)) = (783, 996) to the page's edges.
  EXPECT_EQ(BlackPixels(page, page.rect()), (844 - 783) * (1095 - 996));
  EXPECT_EQ(qGray(page.pixel(783, 996)), 0);
  EXPECT_EQ(qGray(page.pixel(843, 1094)), 0);
  EXPECT_EQ(qGray(page.pixel(782, 1000)), 255);
}

TEST(CoverGeneration, MissingChineseFacesFallBackToAnInstalledCjkFont) {
  const QString cjk = QStringLiteral("WenQuanYi Zen Hei");
  EXPECT_EQ(ResolveFaceName(QStringLiteral("宋体"), kDefaultCharset), cjk);
  EXPECT_EQ(ResolveFaceName(QStringLiteral("SimHei"), kAnsiCharset), cjk);
  EXPECT_EQ(ResolveFaceName(QStringLiteral("No Such Face"), kGb2312Charset), cjk);
  EXPECT_EQ(ResolveFaceName(QStringLiteral("No Such Face"), kAnsiCharset), QStringLiteral("No Such Face"));
  EXPECT_EQ(ResolveFaceName(QStringLiteral("DejaVu Sans"), kGb2312Charset), QStringLiteral("DejaVu Sans"));
}

TEST(CoverGeneration, LinesWrapAtTheFieldWidthLikeAnEditor) {
  FieldFont font;
  const QFontMetrics m(FieldQFont(font));
  const int width = m.horizontalAdvance(QStringLiteral("aaaa aaaa")) - 1;
  EXPECT_EQ(WrapFieldText(QStringLiteral("aaaa aaaa aaaa\n\nxyz"), font, width),
            (QStringList{"aaaa ", "aaaa ", "aaaa", "", "xyz"}));
  // A word longer than the field is broken, no character lost.
  const QString longWord(60, QLatin1Char('w'));
  const QStringList lines = WrapFieldText(longWord, font, 50);
  EXPECT_GT(lines.size(), 3);
  EXPECT_EQ(lines.join(QString()), longWord);
}

TEST(CoverGeneration, DateAndTimeTagsAreTakenFromTheClock) {
  const QLocale locale = QLocale::system();
  TFaxDesigner tagged, literal;
  AddText(tagged, QStringLiteral("$D $t"), QRect(10, 10, 500, 30));
  AddText(literal,
          DateTagText(FixedNow().date(), locale) + QLatin1Char(' ') + TimeTagText(FixedNow().time(), locale),
          QRect(10, 10, 500, 30));
  const QImage a = RenderCoverPage(tagged.Page(), FixedNow);
  EXPECT_GT(BlackPixels(a, a.rect()), 50);
  EXPECT_EQ(a, RenderCoverPage(literal.Page(), FixedNow));
}

// Draws what the design of ApfPageShowsTheDesign should give, with QPainter
// directly: the text in the CJK font at the scaled positions, and the black
// left half of the picture.
QImage Reference(int lineHeight, const QFont& font) {
  QImage ref(844, 1095, QImage::Format_RGB32);
  ref.fill(Qt::white);
  QPainter p(&ref);
  p.setFont(font);
  p.setPen(Qt::black);
  const int ascent = QFontMetrics(font).ascent();
  const int x = qRound(kScale * 40);
  p.drawText(x, RoundToNearestEven(kScale * 60) + ascent, QStringLiteral("7 传真 FAX"));
  p.drawText(x, RoundToNearestEven(kScale * (60 + lineHeight)) + ascent, QStringLiteral("第二行 Wy"));
  // The picture: 10 pixels wide, the left 5 black, stretched over 300..400.
  p.fillRect(QRect(QPoint(RoundToNearestEven(kScale * 300), RoundToNearestEven(kScale * 400)),
                   QPoint(RoundToNearestEven(kScale * 350) - 1, RoundToNearestEven(kScale * 450) - 1)),
             Qt::black);
  return ref;
}

TEST(CoverGeneration, ApfPageShowsTheDesign) {
  test::TempDir dir;
  TFaxDesigner d;
  d.Page().PageCount = 7;
  AddText(d, QStringLiteral("$N 传真 FAX\n第二行 Wy"), QRect(40, 60, 500, 100), -40);
  TImageField& image = d.Page().AddImageField();
  QImage picture(10, 4, QImage::Format_RGB32);
  picture.fill(Qt::white);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) picture.setPixel(x, y, qRgb(0, 0, 0));
  image.SetPicture(picture);
  d.Page().SetFieldBounds(image, QRect(300, 400, 100, 50));

  TApdFaxConverter converter;
  SetupCoverConverter(converter);
  const std::string design = dir.File("my.cover.fcp");
  EXPECT_EQ(GenerateFromDesign(d, design, converter, FixedNow), dir.File("my.APF"));
  const auto pages = test::ReadApfPages(dir.File("my.APF"));
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].size(), 1095u);

  // "宋体" is not on this machine: the page is drawn in the installed CJK font.
  QFont font(QStringLiteral("WenQuanYi Zen Hei"));
  ASSERT_TRUE(QFontDatabase::hasFamily(font.family()));
  font.setPixelSize(40);
  font.setStyleStrategy(QFont::NoAntialias);
  font.setHintingPreference(QFont::PreferFullHinting);
  const QFontMetrics metrics(font);
  const QImage ref = Reference(metrics.height() + std::max(0, metrics.leading()), font);

  // Left margin 20, every pixel doubled in width.
  int refBlack = 0, mismatches = 0;
  for (int y = 0; y < 1095; ++y) {
    for (int x = 0; x < 844; ++x) {
      const bool want = qGray(ref.pixel(x, y)) < 128;
      const bool got = test::Pixel(pages[0][y], 20 + 2 * x);
      EXPECT_EQ(got, test::Pixel(pages[0][y], 21 + 2 * x));
      refBlack += want;
      mismatches += want != got;
    }
    for (int x = 0; x < 20; ++x) ASSERT_FALSE(test::Pixel(pages[0][y], x)) << y;
  }
  EXPECT_GT(refBlack, 5000);
  // The colour threshold leaves one black pixel in 1024 white; glyph edges may
  // differ by a pixel here and there.
  EXPECT_LT(mismatches, refBlack / 100) << "reference black pixels: " << refBlack;
}

TEST(CoverGeneration, DesignFileGivesZeroAndEmptyTagValues) {
  test::TempDir dir;
  TFaxDesigner tagged;
  // 24 points: a height the file's point size gives back exactly.
  AddText(tagged, QStringLiteral("[$N|$P|$F$R$S$I]"), QRect(20, 20, 300, 30), -32);
  ASSERT_TRUE(tagged.SaveToFile(QString::fromStdString(dir.File("tags.v1.fcp"))).Ok());
  const CoverFileResult r = GenerateFromDesignFile(dir.File("tags.v1.fcp"), 0, 0, nullptr, QString(), QString(),
                                                   QString(), QString(), FixedNow);
  ASSERT_TRUE(r.Written()) << r.Load.Message().toStdString();
  EXPECT_EQ(r.OutFileName, dir.File("tags.apf"));

  TFaxDesigner literal;
  AddText(literal, QStringLiteral("[0|0|]"), QRect(20, 20, 300, 30), -32);
  TApdFaxConverter converter;
  SetupCoverConverter(converter);
  GenerateFromDesign(literal, dir.File("literal.fcp"), converter, FixedNow);
  const auto fromFile = test::ReadApfPages(r.OutFileName);
  ASSERT_EQ(fromFile.size(), 1u);
  EXPECT_EQ(fromFile, test::ReadApfPages(dir.File("literal.APF")));
}

TEST(CoverGeneration, UnreadableDesignFileWritesNoFax) {
  test::TempDir dir;
  QByteArray bytes = TFaxDesigner().SaveToStream();
  bytes[4] = '1';
  test::WriteAll(dir.File("old.fcp"), bytes.toStdString());
  const CoverFileResult r =
      GenerateFromDesignFile(dir.File("old.fcp"), 0, 0, nullptr, QString(), QString(), QString(), QString());
  EXPECT_FALSE(r.Written());
  EXPECT_EQ(r.Load.Message(), QStringLiteral("Version mismatch! Unable to read Fax Cover Page!"));
  EXPECT_FALSE(std::filesystem::exists(dir.File("old.apf")));
  EXPECT_EQ(GenerateFromDesignFile(dir.File("missing.fcp"), 0, 0, nullptr, {}, {}, {}, {}).Load.Error,
            FcpError::FileError);
}

TEST(CoverGeneration, BaseNameCutsAtTheFirstDotOfTheFileName) {
  EXPECT_EQ(CoverBaseName("covers.d/acme.v2.fcp"), "covers.d/acme");
  EXPECT_EQ(CoverBaseName("cover"), "cover");
  EXPECT_EQ(CoverBaseName(".fcp"), "");
}

}  // namespace
}  // namespace telvane
