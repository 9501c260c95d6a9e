#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "ui/app_font.hpp"

namespace {

// One application object for the whole test program, as in the real one.
class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        app_ = std::make_unique<QApplication>(argc_, argv_);
        quilvo::ui::applyApplicationFont(*app_);
    }
    void TearDown() override { app_.reset(); }

  private:
    int argc_ = 1;
    char name_[9] = "ui_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
