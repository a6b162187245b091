#pragma once

#include "base/StepError.h"

#include <exception>
#include <utility>

// Crawlers and parsers are lists of steps where a failing step leaves its target as it was and
// the next one runs. Usage:
//     Step::run([&] { title = Cut::after(page, u"<h3>"_s); });
//     Step::run([&] { title = Cut::before(title, u"</h3>"_s); });
// Each call is one step: what it assigned before failing stays assigned.
namespace Step {

template <typename F> bool run(F&& step) {
    try {
        std::forward<F>(step)();
        return true;
    } catch (const StepError&) {
        return false;
    }
}

} // namespace Step
