// Graphic controls and their canvas, against a recording host and device:
// what reaches the device, in which pen and brush, and which areas a
// change asks the host to repaint.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/graphic.h"

namespace {

using toolkit::Point;
using toolkit::Rect;

struct RecordingHost : toolkit::GraphicHost {
  std::vector<toolkit::TGraphicControl*> order;
  std::vector<Rect> invalidated;
  void AddGraphic(toolkit::TGraphicControl& c) override { order.push_back(&c); }
  void RemoveGraphic(toolkit::TGraphicControl& c) override { std::erase(order, &c); }
  void InvalidateArea(const Rect& area) override { invalidated.push_back(area); }
};

struct RecordingDevice : toolkit::CanvasDevice {
  std::vector<std::string> log;
  void SetPen(toolkit::TColor color, std::int32_t width) override {
    log.push_back("pen " + std::to_string(color) + " " + std::to_string(width));
  }
  void SetBrush(toolkit::TColor color) override { log.push_back("brush " + std::to_string(color)); }
  void MoveTo(Point p) override { log.push_back("move " + Text(p)); }
  void LineTo(Point p) override { log.push_back("line " + Text(p)); }
  void Polygon(std::span<const Point> points) override {
    std::string text = "polygon";
    for (const Point& p : points) {
      text += ' ';
      text += Text(p);
    }
    log.push_back(text);
  }
  static std::string Text(Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
};

TEST(Canvas, HandsThePenAndBrushAsTheyAreAtEachDrawing) {
  toolkit::TCanvas canvas;
  EXPECT_EQ(canvas.Pen().Color(), toolkit::clBlack);
  EXPECT_EQ(canvas.Pen().Width(), 1);
  EXPECT_EQ(canvas.Brush().Color(), toolkit::clWhite);
  canvas.MoveTo(1, 2);  // no device yet: nothing to draw on, nothing happens
  RecordingDevice device;
  canvas.Attach(&device);
  canvas.MoveTo(0, 5);
  canvas.Pen().SetColor(0x0000FF);
  canvas.LineTo(9, 5);
  canvas.Pen().SetWidth(-3);  // refused
  canvas.Brush().SetColor(0x00FF00);
  const Point triangle[] = {{0, 0}, {3, 3}, {0, 6}};
  canvas.Polygon(triangle);
  canvas.Polygon({});
  canvas.Attach(nullptr);
  canvas.LineTo(20, 20);
  EXPECT_EQ(device.log, (std::vector<std::string>{"move 0,5", "pen 255 1", "line 9,5", "pen 255 1",
                                                  "brush 65280", "polygon 0,0 3,3 0,6"}));
  canvas.Pen().SetWidth(0);
  EXPECT_EQ(canvas.Pen().Width(), 0) << "zero is a width the platform draws";
}

TEST(GraphicControl, JoinsItsHostInOrderAndLeavesIt) {
  RecordingHost host;
  auto first = std::make_unique<toolkit::TGraphicControl>(nullptr, &host);
  auto second = std::make_unique<toolkit::TGraphicControl>(nullptr, &host);
  EXPECT_EQ(host.order, (std::vector<toolkit::TGraphicControl*>{first.get(), second.get()}));
  first->SetBounds(1, 2, 3, 4);
  host.invalidated.clear();
  first.reset();
  EXPECT_EQ(host.order, (std::vector<toolkit::TGraphicControl*>{second.get()}));
  EXPECT_EQ(host.invalidated, (std::vector<Rect>{{1, 2, 4, 6}})) << "its area shows the host again";
  // A host that goes first lets its controls know; they no longer call it.
  second->ForgetHost();
  host.invalidated.clear();
  second->SetBounds(0, 0, 5, 5);
  second.reset();
  EXPECT_TRUE(host.invalidated.empty());
}

TEST(GraphicControl, RepaintsTheOldAndTheNewAreaOnlyWhenSomethingChanged) {
  RecordingHost host;
  toolkit::TGraphicControl control(nullptr, &host);
  control.SetBounds(10, 20, 30, 40);
  EXPECT_EQ(host.invalidated, (std::vector<Rect>{{10, 20, 40, 60}})) << "no old area yet";
  host.invalidated.clear();
  control.SetBounds(10, 20, 30, 40);
  EXPECT_TRUE(host.invalidated.empty());
  control.SetDesignValue(L"Left", 11);
  EXPECT_EQ(host.invalidated, (std::vector<Rect>{{10, 20, 40, 60}, {11, 20, 41, 60}}));
  host.invalidated.clear();
  control.SetDesignValue(L"Visible", false);
  control.SetDesignValue(L"Width", 5);  // hidden: nothing to repaint
  control.SetDesignValue(L"Visible", false);
  EXPECT_EQ(host.invalidated, (std::vector<Rect>{{11, 20, 41, 60}}));
  control.SetDesignValue(L"Visible", true);
  EXPECT_EQ(host.invalidated.back(), (Rect{11, 20, 16, 60}));
}

TEST(GraphicControl, TakesItsSettingsFromTheLayout) {
  RecordingHost host;
  toolkit::TGraphicControl control(nullptr, &host);
  control.SetDesignValue(L"Left", 4);
  control.SetDesignValue(L"Top", 5);
  control.SetDesignValue(L"Width", 6);
  control.SetDesignValue(L"Height", 7);
  control.SetDesignValue(L"Hint", std::wstring(L"a line"));
  control.SetDesignValue(L"ShowHint", true);
  control.SetDesignValue(L"Visible", false);
  EXPECT_EQ(control.BoundsRect(), (Rect{4, 5, 10, 12}));
  EXPECT_EQ(control.Hint, L"a line");
  EXPECT_TRUE(control.ShowHint);
  EXPECT_FALSE(control.ParentShowHint) << "its own hint setting, not the window's";
  EXPECT_FALSE(control.Visible());
  EXPECT_THROW(control.SetDesignValue(L"Colour", 1), std::invalid_argument);
  EXPECT_THROW(control.SetDesignValue(L"Width", true), std::invalid_argument);
  toolkit::TGraphicControl menu(nullptr, nullptr);
  control.SetDesignReference(L"PopupMenu", &menu);
  EXPECT_EQ(control.PopupMenu, &menu);
}

}  // namespace
