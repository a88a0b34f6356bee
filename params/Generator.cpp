#include "params/Generator.h"

#include "params/Maths.h"
#include "params/Truncate.h"

Sine::Sine()
{
    setClassName(typeid(*this));
    addVariable(&amplitude, "amplitude", "height of the wave", VarType::Long);
    addVariable(&phaseOffset, "phaseOffset", "added to the phase, in radians");
    addVariable(&equilibrium, "equilibrium", "the middle value of the wave", VarType::Long);
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
