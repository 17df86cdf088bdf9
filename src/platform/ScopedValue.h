#pragma once
// Gives a variable another value for the rest of a scope and its former value back when the
// scope ends, also when it is left through an exception:
//   TScopedValue quiet(AutoRepaint, false);
#include <type_traits>
#include <utility>

template <typename T>
class TScopedValue {
public:
    TScopedValue(T& Variable, std::type_identity_t<T> Value) : FVariable(Variable), FSaved(std::move(Variable))
    {
        FVariable = std::move(Value);
    }
    ~TScopedValue() { FVariable = std::move(FSaved); }
    TScopedValue(const TScopedValue&) = delete;
    TScopedValue& operator=(const TScopedValue&) = delete;

private:
    T& FVariable;
    T FSaved;
};

// Runs a function when the scope ends, also when it is left through an exception: a count
// of work under way drops whatever the work did.
template <typename F>
class TScopeExit {
public:
    explicit TScopeExit(F Fn) : FFn(std::move(Fn)) {}
    ~TScopeExit() { FFn(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F FFn;
};
