// What a dialog of the window shares with the others it runs modally: the
// run itself, which tests replace so no dialog waits for a person.
#pragma once

#include <functional>
#include <utility>

template <class TDialog> class CModalRunner {
public:
    // Runs the dialog modally and returns its result; an empty runner
    // restores exec(). Returns the runner it replaces.
    using Runner = std::function<int(TDialog&)>;
    static Runner SetModalRunner(Runner runner)
    {
        Runner previous = std::move(Current());
        Current() = std::move(runner);
        return previous;
    }

    int DoModal()
    {
        auto& dialog = static_cast<TDialog&>(*this);
        return Current() ? Current()(dialog) : dialog.exec();
    }

private:
    static Runner& Current()
    {
        static Runner s_runner;
        return s_runner;
    }
};
