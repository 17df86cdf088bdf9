// Fuzz target of the measurement-file import (".qzv"): any bytes are analysed and, when the
// analysis takes the file, read into a channel window without an exception.
#include "FuzzSupport.h"
#include "app/QzvFile.h"
#include "app/classFileReader.h"
#include "support/FakeDataFileView.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    fuzzing::Init();
    TQzvFile file;
    file.SetText(fuzzing::Bytes(Data, Size));
    FakeDataFileView view;
    TfrmFileReader form;
    if (form.AnalyseQzvFile(&file, "/fuzz/input.qzv", view) == 1) form.ReadQzvData(file);
    return 0;
}
