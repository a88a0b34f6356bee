#include "params/Generator.h"

#include "params/Maths.h"
#include "params/Truncate.h"

Sine::Sine()
{
    setClassName(typeid(*this));
    addVariable(&amplitude, "amplitude", VarType::Long);
    addVariable(&phaseOffset, "phaseOffset");
    addVariable(&equilibrium, "equilibrium", VarType::Long);
}

void Sine::refresh()
{
    applyBaseValues();
}

void Sine::step(float time)
{
    const float x = time * 0.1f + phaseOffset;
    const float s = float(maths::sin(double(x)));
    const float y = s * float(amplitude) + float(equilibrium);
    output = truncToInt32(y);
}
