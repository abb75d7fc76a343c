// The page model: rounding, adding fields, snapping, rescaling and the
// designer's paper-size setters.
#include <gtest/gtest.h>

#include "designer/cover_renderer.h"
#include "designer/fax_designer.h"
#include "designer/fcp_units.h"

namespace telvane {
namespace {

TEST(FcpUnits, RoundsHalvesToEven) {
  EXPECT_EQ(RoundToNearestEven(2.5), 2);
  EXPECT_EQ(RoundToNearestEven(3.5), 4);
  EXPECT_EQ(RoundToNearestEven(-2.5), -2);
  EXPECT_EQ(RoundToNearestEven(-3.5), -4);
  EXPECT_EQ(RoundToNearestEven(2.5000001), 3);
  EXPECT_EQ(RoundToNearestEven(-0.4), 0);
  EXPECT_EQ(RoundToNearestEven(1e300), INT32_MAX);
}

TEST(FaxPanel, AddingClampsPlacesAndAdvancesTheInsertionPoint) {
  TFaxDesigner d;
  TFaxPanel& page = d.Page();
  std::vector<bool> selection;
  std::vector<QRect> bounds;
  page.OnSelectionChanged = [&](bool on) { selection.push_back(on); };
  page.OnFieldBounds = [&](int l, int t, int w, int h) { bounds.emplace_back(l, t, w, h); };

  page.SetInsertionPoint(QPoint(590, 700));
  TImageField& first = page.AddImageField();
  EXPECT_EQ(first.Bounds(), QRect(480, 656, 120, 120));
  EXPECT_EQ(page.InsertionPoint(), QPoint(595, 705));
  TTextField& second = page.AddTextField();
  const int height = FieldLineHeight(FieldFont()) + 4;
  EXPECT_EQ(second.Bounds(), QRect(400, 705, 200, height));
  EXPECT_FALSE(first.Selected());
  EXPECT_TRUE(second.Selected());
  EXPECT_TRUE(page.Modified());
  EXPECT_EQ(selection, (std::vector<bool>{true, true}));
  EXPECT_EQ(bounds, (std::vector<QRect>{first.Bounds(), second.Bounds()}));

  // A field wider than the page goes to the left edge.
  d.SetPageWidthPixels(100);
  page.SetInsertionPoint(QPoint(50, -20));
  EXPECT_EQ(page.AddTextField().Bounds().topLeft(), QPoint(0, 0));
}

TEST(FaxPanel, SnapsToTheGrid) {
  TFaxPanel page;
  EXPECT_EQ(page.SnapLimitX(), 581);  // ((600 - 1) div 20) * 20 + 1
  EXPECT_EQ(page.SnapX(27), 21);
  EXPECT_EQ(page.SnapX(31), 41);  // (30 / 20) = 1.5 goes to 2
  EXPECT_EQ(page.SnapX(51), 41);  // 2.5 goes to 2
  EXPECT_EQ(page.SnapX(-3), 1);
  EXPECT_EQ(page.SnapX(599), 581);
  EXPECT_EQ(page.SnapWidth(50, 21), 41);
  EXPECT_EQ(page.SnapWidth(-5, 21), 0);
  EXPECT_EQ(page.SnapWidth(100, 561), 20);  // past the limit: up to it

  page.SetInsertionPoint(QPoint(27, 33));
  TImageField& f = page.AddImageField();
  page.SetSnapToGrid(true);
  EXPECT_EQ(f.Bounds(), QRect(21, 41, 121, 121));
}

TEST(FaxPanel, PixelSizeChangeRescalesFields) {
  TFaxDesigner d;
  TFaxPanel& page = d.Page();
  TImageField& f = page.AddImageField();
  page.SetFieldBounds(f, QRect(5, 10, 3, 120));
  std::vector<QRect> bounds;
  page.OnFieldBounds = [&](int l, int t, int w, int h) { bounds.emplace_back(l, t, w, h); };
  d.SetPageWidthPixels(900);  // x 1.5
  // 7.5 -> 8 and 4.5 -> 4: halves to even.
  EXPECT_EQ(f.Bounds(), QRect(8, 10, 4, 120));
  EXPECT_EQ(bounds, std::vector<QRect>{f.Bounds()});
  EXPECT_DOUBLE_EQ(page.HorzPixelsPerInch(), 900 / 8.5);
}

TEST(FaxPanel, PaperSizeSettersRecomputeThePixelHeight) {
  TFaxDesigner d;
  d.SetPageWidthInches(kPaperSizes[2].Width);
  d.SetPageHeightInches(kPaperSizes[2].Height);
  EXPECT_EQ(d.PageHeightPixels(), 849);  // 11.69289 x 600 / 8.2677 = 848.56
  d.SetPageWidthInches(0);
  d.SetPageHeightInches(20);
  EXPECT_EQ(d.PageHeightPixels(), 849);  // no width: nothing to follow
  EXPECT_EQ(d.Page().InchesFromPixelsX(300), 0.0);
}

TEST(FaxPanel, UnitChangeRedrawsTheStatusOfTheFirstSelectedField) {
  TFaxDesigner d;
  d.SetUnitOfMeasure(TFaxDesigner::kUnitMillimetres);  // nothing selected: no event
  TImageField& f = d.Page().AddImageField();
  std::vector<QRect> bounds;
  d.Page().OnFieldBounds = [&](int l, int t, int w, int h) { bounds.emplace_back(l, t, w, h); };
  d.SetUnitOfMeasure(TFaxDesigner::kUnitInches);
  EXPECT_EQ(bounds, std::vector<QRect>{f.Bounds()});
  EXPECT_EQ(d.UnitOfMeasure(), TFaxDesigner::kUnitInches);
}

TEST(FaxPanel, ConvertsBetweenInchesAndPixels) {
  TFaxPanel page;
  page.SetBounds(850, 1100);
  EXPECT_EQ(page.PixelsFromInches(QPointF(0.125, 0.375)), QPoint(12, 38));  // 12.5 -> 12, 37.5 -> 38
  EXPECT_EQ(page.InchesFromPixels(QPoint(50, 220)), QPointF(0.5, 2.2));
}

TEST(FaxPanel, TakenFieldComesBackInPlaceWithItsSelection) {
  TFaxDesigner d;
  TFaxPanel& page = d.Page();
  TImageField& a = page.AddImageField();
  TTextField& b = page.AddTextField();
  TImageField& c = page.AddImageField();
  page.DeselectAll();
  page.Select(b);
  page.SetModified(false);
  EXPECT_EQ(page.IndexOf(&c), 2);
  std::unique_ptr<TBaseField> taken = page.TakeFieldAt(1);
  ASSERT_EQ(taken.get(), &b);
  EXPECT_EQ(page.IndexOf(&b), -1);
  EXPECT_EQ(page.FirstSelected(), nullptr);
  EXPECT_TRUE(page.Modified());
  EXPECT_EQ(page.TakeFieldAt(5), nullptr);
  page.InsertFieldAt(1, std::move(taken));
  EXPECT_EQ(page.IndexOf(&a), 0);
  EXPECT_EQ(page.IndexOf(&b), 1);
  EXPECT_EQ(page.IndexOf(&c), 2);
  EXPECT_EQ(page.FirstSelected(), &b);
  EXPECT_EQ(b.Page(), &page);
  // The selection count follows: deselecting finds the returned field.
  page.DeselectAll();
  EXPECT_FALSE(b.Selected());
}

TEST(FaxPanel, CentresAndDeletesSelectedFields) {
  TFaxDesigner d;
  TFaxPanel& page = d.Page();
  TImageField& a = page.AddImageField();
  TImageField& b = page.AddImageField();
  page.SetFieldBounds(b, QRect(0, 0, 121, 100));
  page.CentreHorizontally();
  EXPECT_EQ(b.Bounds().left(), 240);  // 479 / 2 = 239.5 -> 240
  page.CentreVertically();
  EXPECT_EQ(b.Bounds().top(), 338);
  page.Select(a);
  page.Select(a);
  EXPECT_EQ(page.FirstSelected(), &a);
  EXPECT_EQ(page.LastSelected(), &b);
  page.DeselectAll();
  EXPECT_EQ(page.FirstSelected(), nullptr);
  page.Select(b);
  page.Select(a);
  page.DeselectAll();
  EXPECT_FALSE(a.Selected() || b.Selected());
  page.Select(a);
  page.Select(b);
  page.DeleteSelected();
  EXPECT_TRUE(page.Fields().empty());
  TImageField& c = page.AddImageField();
  TImageField& e = page.AddImageField();
  EXPECT_FALSE(c.Selected());
  EXPECT_EQ(page.FirstSelected(), &e);
}

}  // namespace
}  // namespace telvane
