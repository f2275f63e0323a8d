#pragma once

// The message of an expected exception, so a test can compare the text the user would see.

#include <QString>

namespace vk_test {

// The text of the E that Action raises, or a marker text when it raises nothing.
template <class E, class F> QString RaisedText(F&& Action) {
    try {
        Action();
    } catch (const E& Error) {
        return QString::fromStdString(Error.what());
    }
    return QStringLiteral("(nothing raised)");
}

} // namespace vk_test
