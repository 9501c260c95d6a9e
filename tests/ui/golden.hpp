#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>

namespace quilvo::testing {

// Compares a rendering with its reviewed picture in tests/ui/golden/, each channel within 2.
// After an intended change of the look, run once with QUILVO_UPDATE_GOLDEN=1 and review the
// rewritten pictures before committing them.
inline void expectGolden(const char* name, const QImage& rendered) {
    const QImage image = rendered.convertToFormat(QImage::Format_ARGB32);
    const QString path = QStringLiteral(QUILVO_GOLDEN_DIR "/%1.png").arg(QLatin1String(name));
    if (qEnvironmentVariableIsSet("QUILVO_UPDATE_GOLDEN")) {
        image.save(path);
    }
    const QImage golden = QImage(path).convertToFormat(QImage::Format_ARGB32);
    bool same = image.size() == golden.size();
    for (int y = 0; same && y < image.height(); ++y) {
        for (int x = 0; same && x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            const QColor q = golden.pixelColor(x, y);
            same = std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                             std::abs(p.blue() - q.blue()), std::abs(p.alpha() - q.alpha())}) <= 2;
        }
    }
    EXPECT_TRUE(same) << name << " differs from " << path.toStdString();
}

}  // namespace quilvo::testing
