// Fuzz target of the temperature-program reader (".tp"): any bytes are either a program or
// refused with a reason; a program that was read is written and read back with the same
// segments and values.
#include <cstdlib>

#include "FuzzSupport.h"
#include "platform/TextCodec.h"
#include "programmer/CProgramFile.h"

namespace {

void Check(bool ok)
{
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    fuzzing::Init();
    TProgramFile program;
    AnsiString error;
    if (!programfile::ParseLines(platform::SplitLines(platform::DecodeText(fuzzing::Bytes(Data, Size))), program,
                                 &error)) {
        Check(!error.empty());
        return 0;
    }
    // Names lose line breaks and ";" on the way out; after that a program comes back as it
    // was written.
    TProgramFile once, twice;
    Check(programfile::ParseLines(programfile::BuildLines(program, 0, "/fuzz/input.tp"), once, &error));
    Check(programfile::ParseLines(programfile::BuildLines(once, 0, "/fuzz/input.tp"), twice, &error));
    const TProgramFileSettings &a = once.Settings, &b = twice.Settings;
    Check(a.RepeatMode == b.RepeatMode && a.EndAction == b.EndAction && a.StartTemperature == b.StartTemperature &&
          a.StirrerUsed == b.StirrerUsed && a.ContactUsed == b.ContactUsed);
    Check(program.Segments.size() == once.Segments.size() && once.Segments.size() == twice.Segments.size());
    for (size_t i = 0; i < once.Segments.size(); ++i) {
        const TProgramFileSegment &s = once.Segments[i], &t = twice.Segments[i], &o = program.Segments[i];
        Check(s.Duration == o.Duration && s.Setpoint == o.Setpoint);
        Check(s.Name == t.Name && s.Duration == t.Duration && s.Setpoint == t.Setpoint &&
              s.AnalogOutput == t.AnalogOutput && s.Contact == t.Contact && s.ControlMode == t.ControlMode &&
              s.WaitFlag == t.WaitFlag);
    }
    return 0;
}
