#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "player/player_fixture.hpp"
#include "ui/app_font.hpp"
#include "ui/reduce_motion.hpp"

namespace quilvo::ui {

// One application object for the whole program, as in the real one; made when the tests run,
// not when they are listed.
struct QtEnvironment : ::testing::Environment {
    void SetUp() override {
        app = std::make_unique<QApplication>(argc, argv);
        applyApplicationFont(*app);
    }
    void TearDown() override { app.reset(); }

    int argc = 1;
    char name[9] = "ui_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};
inline const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class UiTest : public quilvo::testing::PlayerTest {
  protected:
    // Views redraw on the next turn of the event loop after the model changes.
    void settle() {
        loop.runUntilIdle();
        QCoreApplication::processEvents();
    }

    // Compares a rendering with its reviewed picture in tests/ui/golden/, each channel within 2.
    // After an intended change of the look, run once with QUILVO_UPDATE_GOLDEN=1 and review the
    // rewritten pictures before committing them.
    static void expectGolden(const char* name, const QImage& rendered) {
        const QImage image = rendered.convertToFormat(QImage::Format_ARGB32);
        const QString path = QStringLiteral(QUILVO_GOLDEN_DIR "/%1.png").arg(QLatin1String(name));
        if (qEnvironmentVariableIsSet("QUILVO_UPDATE_GOLDEN")) {
            image.save(path);
        }
        const QImage golden = QImage(path).convertToFormat(QImage::Format_ARGB32);
        const auto close = [](uchar a, uchar b) { return std::abs(a - b) <= 2; };
        EXPECT_TRUE(image.size() == golden.size() &&
                    std::equal(image.constBits(), image.constBits() + image.sizeInBytes(),
                               golden.constBits(), close))
            << name << " differs from " << path.toStdString();
    }

    ReduceMotion reduceMotion;
};

}  // namespace quilvo::ui
