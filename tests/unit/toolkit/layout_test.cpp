// Layouts load in one fixed order: each component's plain values as stored,
// then every reference, then load-complete to every component.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/layout.h"

namespace {

using toolkit::Component;
using toolkit::ComponentDesign;
using toolkit::DesignValue;
using toolkit::MakeComponent;

std::vector<std::string> journal;

std::string Narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }

class Recorder : public Component {
 public:
  using Component::Component;
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override {
    journal.push_back(Narrow(Name()) + "." + Narrow(property) + "=" +
                      std::to_string(toolkit::DesignInt(property, value)));
  }
  void SetDesignReference(std::wstring_view property, Component* target) override {
    journal.push_back(Narrow(Name()) + "." + Narrow(property) + "->" + Narrow(target->Name()));
  }
  void Loaded() override { journal.push_back(Narrow(Name()) + " loaded"); }
};

TEST(Layout, ValuesThenReferencesThenLoadComplete) {
  journal.clear();
  Component form(nullptr);
  const ComponentDesign design[] = {
      {L"A", MakeComponent<Recorder>, {{L"X", 1}, {L"Y", 2}}, {{L"Partner", L"B"}}},
      {L"B", MakeComponent<Recorder>, {{L"X", 3}}, {{L"Partner", L"A"}}},
  };
  toolkit::ApplyLayout(form, design);
  EXPECT_EQ(journal, (std::vector<std::string>{"A.X=1", "A.Y=2", "B.X=3", "A.Partner->B",
                                               "B.Partner->A", "A loaded", "B loaded"}));
  ASSERT_EQ(form.Components().size(), 2u);
  EXPECT_EQ(form.FindComponent(L"B")->Owner(), &form);
}

TEST(Layout, UnknownPropertiesAndMissingTargetsAreRefused) {
  Component form(nullptr);
  const ComponentDesign unknownValue[] = {{L"C", MakeComponent<Component>, {{L"Colour", 1}}, {}}};
  EXPECT_THROW(toolkit::ApplyLayout(form, unknownValue), std::invalid_argument);
  Component other(nullptr);
  const ComponentDesign missing[] = {
      {L"D", MakeComponent<Recorder>, {}, {{L"Partner", L"Nobody"}}}};
  EXPECT_THROW(toolkit::ApplyLayout(other, missing), std::invalid_argument);
}

TEST(Layout, DesignValuesOfTheWrongTypeAreRefused) {
  EXPECT_EQ(toolkit::DesignInt(L"Max", DesignValue{255}), 255);
  EXPECT_THROW(toolkit::DesignInt(L"Max", DesignValue{true}), std::invalid_argument);
  EXPECT_THROW(toolkit::DesignText(L"Hint", DesignValue{3}), std::invalid_argument);
  EXPECT_TRUE(toolkit::DesignBool(L"ShowHint", DesignValue{true}));
}

TEST(Components, AreDestroyedByTheirOwnerLastMadeFirst) {
  std::vector<std::string> order;
  struct Noisy : Component {
    Noisy(Component* owner, std::string tag, std::vector<std::string>& order)
        : Component(owner), tag_(std::move(tag)), order_(order) {}
    ~Noisy() override { order_.push_back(tag_); }
    std::string tag_;
    std::vector<std::string>& order_;
  };
  {
    Component form(nullptr);
    form.Adopt(std::make_unique<Noisy>(&form, "first", order));
    form.Adopt(std::make_unique<Noisy>(&form, "second", order));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"second", "first"}));
}

}  // namespace
