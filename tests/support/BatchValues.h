#pragma once

// Values of the batch side that several tests build or print.

#include <QByteArray>
#include <QMetaType>

#include "batch/PhotoOutputs.h"

Q_DECLARE_METATYPE(TDimensions)

namespace vk_test {

// "WxH", for data rows and messages.
inline QByteArray Text(TDimensions Size) {
    return QByteArray::number(Size.Width) + 'x' + QByteArray::number(Size.Height);
}

// A plan that makes the Large size alone.
inline TOutputPlan LargeOnlyPlan(TDimensions Box = {600, 600}, bool High = false) {
    TOutputPlan plan;
    plan.Sizes = {{osLarge, Box}};
    plan.HighQuality = High;
    return plan;
}

} // namespace vk_test
