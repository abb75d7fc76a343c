// The .fcp design file: byte layout, what loading recomputes, and that a
// file which cannot be read leaves the design in memory as it was.
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>

#include "designer/fax_designer.h"
#include "designer/gbk_codec.h"
#include "designer/picture_bmp.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

int32_t I32At(const QByteArray& b, int at) { return qFromLittleEndian<qint32>(b.constData() + at); }
double DoubleAt(const QByteArray& b, int at) {
  const quint64 bits = qFromLittleEndian<quint64>(b.constData() + at);
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}
void PutI32(QByteArray& b, int at, int32_t v) { qToLittleEndian<qint32>(v, b.data() + at); }
void PutDouble(QByteArray& b, int at, double v) {
  quint64 bits;
  std::memcpy(&bits, &v, 8);
  qToLittleEndian<quint64>(bits, b.data() + at);
}

QImage TestPicture() {
  QImage image(37, 23, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 7, y * 11, (x ^ y) * 5));
  return image;
}

// A design with a text field carrying every font attribute and GBK text on
// two lines, and an image field with a picture.
void BuildFullDesign(TFaxDesigner& d) {
  TTextField& text = d.Page().AddTextField();
  FieldFont font;
  font.Charset = kGb2312Charset;
  font.Color = 0x00336699;
  font.Height = -20;
  font.Name = QStringLiteral("黑体");
  font.Pitch = kFixedPitch;
  font.Bold = font.Italic = font.Underline = font.StrikeOut = true;
  text.SetFont(font);
  text.SetText(QStringLiteral("总页：$N\n第二行 line"));
  d.Page().SetFieldBounds(text, QRect(30, 40, 250, 60));
  TImageField& image = d.Page().AddImageField();
  image.SetPicture(TestPicture());
  d.Page().SetFieldBounds(image, QRect(300, 500, 120, 90));
}

TEST(FcpFile, EmptyDesignIsHeaderAndZeroCount) {
  TFaxDesigner d;
  EXPECT_FALSE(d.Page().Modified());
  EXPECT_TRUE(d.Untitled());
  const QByteArray b = d.SaveToStream();
  ASSERT_EQ(b.size(), 1065);
  EXPECT_EQ(b.left(12), QByteArray("\x04" "1.00\0\0\0\0\0\0\0", 12));
  EXPECT_EQ(I32At(b, 12), 600);
  EXPECT_EQ(I32At(b, 16), 776);
  EXPECT_EQ(DoubleAt(b, 20), 8.5);
  EXPECT_EQ(DoubleAt(b, 28), 11.0);
  EXPECT_EQ(b[36], 0);
  EXPECT_EQ(b.mid(37, 1024), QByteArray(1024, '\0'));
  EXPECT_EQ(I32At(b, 1061), 0);
  EXPECT_FALSE(d.Untitled());
}

TEST(FcpFile, EmptyTextFieldIsStoredWithLengthOneAndLoadsEmpty) {
  TFaxDesigner d;
  d.Page().AddTextField();
  const QByteArray b = d.SaveToStream();
  // Type, four doubles, the 274-byte font block, L.
  ASSERT_EQ(b.size(), 1065 + 1 + 32 + 274 + 4);
  EXPECT_EQ(b[1065], 0);
  EXPECT_EQ(I32At(b, b.size() - 4), 1);
  // The default font: character set 1, window text colour, 11 points, "宋体".
  const int font = 1065 + 33;
  EXPECT_EQ(static_cast<uint8_t>(b[font]), 1);
  EXPECT_EQ(static_cast<uint32_t>(I32At(b, font + 1)), 0x80000008u);
  EXPECT_EQ(I32At(b, font + 5), -15);
  EXPECT_EQ(b.mid(font + 9, 5), QByteArray("\x04\xCB\xCE\xCC\xE5"));
  EXPECT_EQ(I32At(b, font + 266), 11);

  TFaxDesigner loaded;
  ASSERT_TRUE(loaded.LoadFromStream(b).Ok());
  ASSERT_EQ(loaded.Page().Fields().size(), 1u);
  const auto& field = static_cast<const TTextField&>(*loaded.Page().Fields()[0]);
  EXPECT_TRUE(field.Text().isEmpty());
  EXPECT_EQ(field.Font(), FieldFont());
}

TEST(FcpFile, LoadingTakesPixelWidthAndRecomputesHeightFromPaper) {
  TFaxDesigner d;
  QByteArray b = d.SaveToStream();
  PutI32(b, 16, 123);  // a stale pixel height is not used
  TFaxDesigner loaded;
  ASSERT_TRUE(loaded.LoadFromStream(b).Ok());
  EXPECT_EQ(loaded.PageWidthPixels(), 600);
  EXPECT_EQ(loaded.PageHeightPixels(), 776);  // 11 x 600 / 8.5 = 776.47

  // A field one inch in from the left and top on a 850-pixel Legal page is
  // placed with that page's 100 pixels per inch.
  TFaxDesigner source;
  TImageField& f = source.Page().AddImageField();
  source.Page().SetFieldBounds(f, QRect(0, 0, 120, 120));
  QByteArray withField = source.SaveToStream();
  PutI32(withField, 12, 850);
  PutDouble(withField, 28, 14.0);
  PutDouble(withField, 1065 + 1, 1.0);
  PutDouble(withField, 1065 + 9, 1.5);
  ASSERT_TRUE(loaded.LoadFromStream(withField).Ok());
  EXPECT_EQ(loaded.PageHeightPixels(), 1400);
  // 120 pixels were 1.7 inches across and 1.701 inches down on the old page.
  EXPECT_EQ(loaded.Page().Fields()[0]->Bounds(), QRect(100, 150, 170, 170));
}

TEST(FcpFile, OtherVersionIsRefusedAndDesignKept) {
  TFaxDesigner d;
  d.Page().AddImageField();
  d.Page().SetModified(true);
  QByteArray b = TFaxDesigner().SaveToStream();
  b[4] = '1';  // "1.01"
  const FcpResult r = d.LoadFromStream(b);
  EXPECT_EQ(r.Error, FcpError::VersionMismatch);
  EXPECT_EQ(r.Message(), QStringLiteral("Version mismatch! Unable to read Fax Cover Page!"));
  EXPECT_EQ(d.Page().Fields().size(), 1u);
  EXPECT_TRUE(d.Page().Modified());
  EXPECT_TRUE(d.Untitled());
  // A version with another length byte is refused as well, even in a short file.
  EXPECT_EQ(d.LoadFromStream(QByteArray("\x05" "1.000", 6)).Error, FcpError::VersionMismatch);
}

TEST(FcpFile, FaceNamesUpTo255BytesAreKept) {
  for (int length : {255, 300}) {
    TFaxDesigner d;
    TTextField& f = d.Page().AddTextField();
    FieldFont font;
    font.Name = QString(length, QLatin1Char('F'));
    f.SetFont(font);
    TFaxDesigner loaded;
    ASSERT_TRUE(loaded.LoadFromStream(d.SaveToStream()).Ok());
    EXPECT_EQ(static_cast<const TTextField&>(*loaded.Page().Fields()[0]).Font().Name, QString(255, QLatin1Char('F')));
  }
  // A Chinese name is cut between characters, not inside one.
  TFaxDesigner d;
  FieldFont font;
  font.Name = QString(130, QChar(0x5B8B));  // 宋, 2 bytes each
  d.Page().AddTextField().SetFont(font);
  TFaxDesigner loaded;
  ASSERT_TRUE(loaded.LoadFromStream(d.SaveToStream()).Ok());
  EXPECT_EQ(static_cast<const TTextField&>(*loaded.Page().Fields()[0]).Font().Name, QString(127, QChar(0x5B8B)));
}

TEST(FcpFile, TextRecordHoldsGeometryPitchAndStylesInPlace) {
  TFaxDesigner d;
  TTextField& f = d.Page().AddTextField();
  FieldFont font;
  font.Pitch = kVariablePitch;
  font.Bold = font.Underline = true;
  f.SetFont(font);
  d.Page().SetFieldBounds(f, QRect(60, 97, 150, 194));
  const QByteArray b = d.SaveToStream();
  // Inches: 600 / 8.5 pixels per inch across, 776 / 11 down.
  EXPECT_DOUBLE_EQ(DoubleAt(b, 1066), 60 * 8.5 / 600);
  EXPECT_DOUBLE_EQ(DoubleAt(b, 1074), 97 * 11.0 / 776);
  EXPECT_DOUBLE_EQ(DoubleAt(b, 1082), 150 * 8.5 / 600);
  EXPECT_DOUBLE_EQ(DoubleAt(b, 1090), 194 * 11.0 / 776);
  const int font0 = 1065 + 33;
  EXPECT_EQ(b[font0 + 265], 1);                              // pitch
  EXPECT_EQ(b.mid(font0 + 270, 4), QByteArray::fromHex("01000100"));  // bold, italic, underline, strikeout
  TFaxDesigner loaded;
  ASSERT_TRUE(loaded.LoadFromStream(b).Ok());
  const auto& back = static_cast<const TTextField&>(*loaded.Page().Fields()[0]);
  EXPECT_EQ(back.Font(), font);
  EXPECT_EQ(back.Bounds(), QRect(60, 97, 150, 194));
}

TEST(FcpFile, PointSizeDecidesTheLoadedHeight) {
  TFaxDesigner d;
  FieldFont font;
  font.Height = -30;  // 22.5 points, stored as 23
  d.Page().AddTextField().SetFont(font);
  TFaxDesigner loaded;
  ASSERT_TRUE(loaded.LoadFromStream(d.SaveToStream()).Ok());
  EXPECT_EQ(static_cast<const TTextField&>(*loaded.Page().Fields()[0]).Font().Height, -31);
}

TEST(FcpFile, ImageFieldWithoutPictureIsFlagOnly) {
  TFaxDesigner d;
  d.Page().AddImageField();
  const QByteArray b = d.SaveToStream();
  ASSERT_EQ(b.size(), 1065 + 1 + 32 + 1);
  EXPECT_EQ(b[1065], 1);
  EXPECT_EQ(b[b.size() - 1], 1);
  TFaxDesigner loaded;
  ASSERT_TRUE(loaded.LoadFromStream(b).Ok());
  EXPECT_FALSE(static_cast<const TImageField&>(*loaded.Page().Fields()[0]).HasPicture());
}

TEST(FcpFile, RoundTripOfEveryAttributeGivesTheSameBytes) {
  TFaxDesigner d;
  BuildFullDesign(d);
  d.SetUnitOfMeasure(TFaxDesigner::kUnitMillimetres);
  d.SetPaperSizeIndex(2);
  const QByteArray first = d.SaveToStream();
  // The text is GBK, lines joined by CR LF, followed by one NUL.
  const QByteArray gbk = ToGbk(QStringLiteral("总页：$N\r\n第二行 line"));
  const qsizetype at = first.indexOf(gbk);
  ASSERT_GT(at, 0);
  EXPECT_EQ(I32At(first, static_cast<int>(at) - 4), gbk.size() + 1);
  EXPECT_EQ(first[at + gbk.size()], '\0');

  TFaxDesigner loaded;
  ASSERT_TRUE(loaded.LoadFromStream(first).Ok());
  EXPECT_EQ(loaded.SaveToStream(), first);
  EXPECT_EQ(loaded.UnitOfMeasure(), TFaxDesigner::kUnitMillimetres);
  const auto& text = static_cast<const TTextField&>(*loaded.Page().Fields()[0]);
  const auto& image = static_cast<const TImageField&>(*loaded.Page().Fields()[1]);
  EXPECT_EQ(text.Font(), static_cast<const TTextField&>(*d.Page().Fields()[0]).Font());
  EXPECT_EQ(text.Text(), QStringLiteral("总页：$N\n第二行 line"));
  EXPECT_EQ(text.Bounds(), QRect(30, 40, 250, 60));
  EXPECT_EQ(image.Picture().convertToFormat(QImage::Format_RGB32), TestPicture());
  // Loading leaves the last field selected, the design titled and unmodified.
  EXPECT_TRUE(image.Selected());
  EXPECT_FALSE(text.Selected());
  EXPECT_FALSE(loaded.Page().Modified());
  EXPECT_FALSE(loaded.Untitled());
}

TEST(FcpFile, FieldAtTheFarthestPlaceLoadsAgainAfterSaving) {
  // On a 77-pixel Letter page, 10000000 pixels -> inches -> pixels comes
  // back as 10000000.000000002.
  TFaxDesigner d;
  d.SetPageWidthPixels(77);
  d.SetPageWidthInches(8.5);  // 100 pixels high, as loading makes it
  TImageField& f = d.Page().AddImageField();
  d.Page().SetFieldBounds(f, QRect(10000000, -10000000, 10, 10));
  const QByteArray saved = d.SaveToStream();
  TFaxDesigner loaded;
  ASSERT_TRUE(loaded.LoadFromStream(saved).Ok());
  EXPECT_EQ(loaded.Page().Fields()[0]->Bounds(), QRect(10000000, -10000000, 10, 10));
  EXPECT_EQ(loaded.SaveToStream(), saved);
  // Further out is no design's.
  QByteArray beyond = saved;
  PutDouble(beyond, 1065 + 1, 10000001.0 * 8.5 / 77);
  EXPECT_EQ(loaded.LoadFromStream(beyond).Error, FcpError::BadGeometry);
}

TEST(FcpFile, ManyFieldsLoadWithoutSlowingDown) {
  // 100000 empty image fields, 3.4 MB: each added field deselects the one
  // before it, which must not mean walking every field read so far.
  constexpr int kFields = 100000;
  QByteArray b = TFaxDesigner().SaveToStream();
  PutI32(b, 1061, kFields);
  QByteArray record(1 + 32 + 1, '\0');
  record[0] = 1;
  record[33] = 1;
  b.append(record.repeated(kFields));
  TFaxDesigner d;
  QElapsedTimer timer;
  timer.start();
  ASSERT_TRUE(d.LoadFromStream(b).Ok());
  EXPECT_LT(timer.elapsed(), 5000);
  ASSERT_EQ(d.Page().Fields().size(), static_cast<size_t>(kFields));
  EXPECT_EQ(d.Page().FirstSelected(), d.Page().Fields().back().get());
  EXPECT_EQ(d.Page().LastSelected(), d.Page().Fields().back().get());
  d.Page().AddImageField();
  EXPECT_FALSE(d.Page().Fields()[kFields - 1]->Selected());
  EXPECT_EQ(d.Page().FirstSelected(), d.Page().Fields().back().get());
}

TEST(FcpFile, PageOptionsBlockIsWrittenBackAsRead) {
  QByteArray b = TFaxDesigner().SaveToStream();
  for (int i = 0; i < 1024; ++i) b[37 + i] = static_cast<char>(i * 37 + 1);
  TFaxDesigner d;
  ASSERT_TRUE(d.LoadFromStream(b).Ok());
  EXPECT_EQ(d.PaperSizeIndex(), 1);
  EXPECT_EQ(d.SaveToStream(), b);
}

// A file that cannot be read completely must not replace the user's design.
class FcpBadFile : public ::testing::Test {
 protected:
  void SetUp() override {
    current_.Page().AddTextField().SetText(QStringLiteral("work in progress"));
    current_.Page().SetModified(true);
    before_ = current_.SaveToStream();
    current_.Page().SetModified(true);
  }
  void ExpectUnchanged() {
    EXPECT_EQ(current_.SaveToStream(), before_);
  }
  TFaxDesigner current_;
  QByteArray before_;
};

TEST_F(FcpBadFile, UnknownFieldTypeStopsLoading) {
  TFaxDesigner other;
  BuildFullDesign(other);
  QByteArray b = other.SaveToStream();
  const int secondField = static_cast<int>(b.size()) - (1 + 32 + 1 + 4 + static_cast<int>(EncodeBmpPicture(TestPicture()).size()));
  ASSERT_EQ(b[secondField], 1);
  b[secondField] = 2;
  const FcpResult r = current_.LoadFromStream(b);
  EXPECT_EQ(r.Error, FcpError::UnknownFieldType);
  EXPECT_EQ(r.Field, 2);
  EXPECT_EQ(r.FieldType, 2);
  EXPECT_TRUE(current_.Page().Modified());
  ExpectUnchanged();
}

TEST_F(FcpBadFile, FileEndingAnywhereEarlyIsAnError) {
  TFaxDesigner other;
  BuildFullDesign(other);
  const QByteArray b = other.SaveToStream();
  for (qsizetype cut : {qsizetype(0), qsizetype(3), qsizetype(1060), qsizetype(1064), qsizetype(1070),
                        qsizetype(1065 + 33 + 100), b.size() - 30, b.size() - 1}) {
    const FcpResult r = current_.LoadFromStream(b.left(cut));
    EXPECT_EQ(r.Error, FcpError::EndsEarly) << cut;
  }
  ExpectUnchanged();
}

TEST_F(FcpBadFile, PictureThatDoesNotDecodeIsAnError) {
  TFaxDesigner other;
  BuildFullDesign(other);
  QByteArray b = other.SaveToStream();
  const qsizetype bmp = b.size() - EncodeBmpPicture(TestPicture()).size();
  ASSERT_EQ(b.mid(bmp, 2), QByteArray("BM"));
  b[bmp] = 'X';
  FcpResult r = current_.LoadFromStream(b);
  EXPECT_EQ(r.Error, FcpError::BadPicture);
  EXPECT_EQ(r.Field, 2);
  ExpectUnchanged();
}

TEST_F(FcpBadFile, ImpossibleGeometryIsAnError) {
  QByteArray b = TFaxDesigner().SaveToStream();
  PutDouble(b, 20, 1e-300);  // height would be 11 x 600 / 1e-300 pixels
  EXPECT_EQ(current_.LoadFromStream(b).Error, FcpError::BadGeometry);
  ExpectUnchanged();
}

TEST(PictureFile, LoadsBmpJpegAndOtherTypesAsBitmaps) {
  test::TempDir dir;
  TFaxDesigner d;
  TImageField& field = d.Page().AddImageField();
  d.Page().SetModified(false);
  const auto load = [&](const std::string& name) {
    return field.LoadPictureFromFile(QString::fromStdString(dir.File(name)));
  };

  QImage mono(21, 9, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mono.fill(1);
  mono.setPixel(3, 4, 0);
  test::WriteAll(dir.File("two.bmp"), EncodeBmpPicture(mono).toStdString());
  ASSERT_EQ(load("two.bmp"), 0);
  EXPECT_EQ(field.Picture().depth(), 1);
  EXPECT_EQ(field.Picture().convertToFormat(QImage::Format_RGB32), mono.convertToFormat(QImage::Format_RGB32));
  EXPECT_TRUE(d.Page().Modified());

  // A JPEG goes through the fax document decoder, upper-case extension too.
  QImage grey(16, 16, QImage::Format_RGB32);
  grey.fill(qRgb(90, 90, 90));
  ASSERT_TRUE(grey.save(QString::fromStdString(dir.File("photo.JPEG")), "JPEG", 100));
  ASSERT_EQ(load("photo.JPEG"), 0);
  EXPECT_EQ(field.Picture().size(), QSize(16, 16));
  EXPECT_NEAR(qGray(field.Picture().pixel(8, 8)), 90, 3);
  // The field stores what it holds as a BMP file.
  const QByteArray saved = d.SaveToStream();
  EXPECT_EQ(saved.mid(1065 + 1 + 32 + 1 + 4, 2), QByteArray("BM"));

  ASSERT_TRUE(grey.save(QString::fromStdString(dir.File("flat.png"))));
  ASSERT_EQ(load("flat.png"), 0);
  EXPECT_EQ(field.Picture().format(), QImage::Format_RGB32);

  test::WriteAll(dir.File("junk.png"), "not a picture");
  EXPECT_EQ(load("junk.png"), -8002);
  EXPECT_EQ(load("missing.bmp"), -2);
  EXPECT_EQ(load("missing.jpg"), -2);
  EXPECT_EQ(load("missing.png"), -2);
  EXPECT_EQ(field.Picture().size(), QSize(16, 16));  // a failed load keeps the picture
}

TEST(PictureBmp, EncodedPicturesDecodeAlikeInQt) {
  const QImage colour = TestPicture();
  QImage fromQt;
  ASSERT_TRUE(fromQt.loadFromData(EncodeBmpPicture(colour), "BMP"));
  EXPECT_EQ(fromQt.convertToFormat(QImage::Format_RGB32), colour);

  // A 1-bit picture whose colour table is white, black comes out the same to
  // the eye, stored with the palette black, white.
  QImage mono(19, 5, QImage::Format_Mono);
  mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  mono.fill(0);
  for (int x = 0; x < 19; x += 3) mono.setPixel(x, x % 5, 1);
  const QByteArray bmp = EncodeBmpPicture(mono);
  EXPECT_EQ(bmp.mid(54, 8), QByteArray("\0\0\0\0\xFF\xFF\xFF\0", 8));
  ASSERT_TRUE(fromQt.loadFromData(bmp, "BMP"));
  EXPECT_EQ(fromQt.convertToFormat(QImage::Format_RGB32), mono.convertToFormat(QImage::Format_RGB32));
  QImage ours;
  ASSERT_EQ(DecodeBmpPicture(bmp, ours), 0);
  EXPECT_EQ(ours.depth(), 1);
  EXPECT_EQ(ours.convertToFormat(QImage::Format_RGB32), mono.convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace telvane
