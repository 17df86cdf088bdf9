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
