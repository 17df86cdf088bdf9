#include "programmer/CProgrammer.h"

#include <QString>

#include "app/CLanguage.h"
#include "platform/TTreeNode.h"
#include "platform/UiThread.h"

namespace {

const char* const ProgramNamePrefix = "Temperature program ";
const char* const SegmentNamePrefix = "New segment (";

// A whole decimal number made of digits only, within 1..max; 0 otherwise.
int NumberInName(std::string_view s, int max)
{
    if (s.empty() || s.size() > 4) return 0;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + (c - '0');
    }
    return (v >= 1 && v <= max) ? v : 0;
}

}  // namespace

CProgrammer::CProgrammer(int channel) : FChannel(channel), FLanguage(CLanguage::Instance())
{
    FSlotFree.fill(1);
    FDefaultNameFree.fill(1);
    FSegmentNameFree.fill(1);
    for (auto& s : FSettings) s.saved = 0;
}

CProgrammer::~CProgrammer()
{
    FreeAllPrograms();
}

CTemperatureProgram* CProgrammer::Head(int slot) const
{
    if (!ValidSlot(slot) || FSlotFree[size_t(slot)]) return nullptr;
    return FHeads[size_t(slot)];
}

CTemperatureProgram* CProgrammer::FindSegment(const TTreeNode* key) const
{
    if (!key) return nullptr;
    for (int slot = 0; slot < MaxPrograms; ++slot) {
        CTemperatureProgram* head = Head(slot);
        if (!head) continue;
        for (CTemperatureProgram* n = head->next; n; n = n->next)
            if (n->key == key) return n;
    }
    return nullptr;
}

void CProgrammer::FreeList(CTemperatureProgram* head)
{
    if (!head) return;
    CTemperatureProgram* n = head->next;
    while (n) {
        CTemperatureProgram* following = n->next;
        delete n;
        n = following;
    }
    delete head;
}

bool CProgrammer::CreateProgram(int slot, TTreeNode* node, const AnsiString& name)
{
    NOX_ASSERT_UI_THREAD();
    if (!ValidSlot(slot) || !FSlotFree[size_t(slot)] || !node) return false;
    auto* head = new CTemperatureProgram;
    head->head = head;
    head->next = nullptr;
    head->key = node;
    head->name = name;
    head->duration = 0;
    head->analogOutput = 0;
    head->waitFlag = 1;
    head->controlMode = 1;
    head->contact = 0;
    head->setpoint = 1.0;
    head->index = 0;
    FHeads[size_t(slot)] = head;
    FSlotFree[size_t(slot)] = 0;
    FSettings[size_t(slot)].saved = 0;
    return true;
}

bool CProgrammer::AddSegment(TTreeNode* node, const AnsiString& name, int slot)
{
    NOX_ASSERT_UI_THREAD();
    CTemperatureProgram* head = Head(slot);
    if (!head || !node || FindSegment(node) || node == head->key) return false;
    if (CTemperatureProgram::GetCount(head) >= MaxSegments) return false;
    CTemperatureProgram* last = CTemperatureProgram::GetLast(head);
    auto* seg = new CTemperatureProgram;
    seg->head = head;
    seg->key = node;
    seg->name = name;
    seg->index = last->index + 1;
    last->next = seg;
    FSettings[size_t(slot)].saved = 0;
    return true;
}

bool CProgrammer::PasteSegment(TTreeNode* segmentNode, TTreeNode* newNode, int slot, const AnsiString& name)
{
    NOX_ASSERT_UI_THREAD();
    CTemperatureProgram* head = Head(slot);
    if (!head || !segmentNode || !newNode || FindSegment(newNode) || newNode == head->key) return false;
    if (CTemperatureProgram::GetCount(head) >= MaxSegments) return false;
    CTemperatureProgram* pred = head;
    while (pred->next && pred->next->key != segmentNode) pred = pred->next;
    if (!pred->next) return false;
    auto* seg = new CTemperatureProgram;
    seg->head = head;
    seg->key = newNode;
    seg->name = name;
    seg->index = pred->index + 1;
    seg->next = pred->next;
    pred->next = seg;
    for (CTemperatureProgram* n = seg->next; n; n = n->next) ++n->index;
    return true;
}

void CProgrammer::DeleteSegment(TTreeNode* node)
{
    NOX_ASSERT_UI_THREAD();
    if (!node) return;
    for (int slot = 0; slot < MaxPrograms; ++slot) {
        CTemperatureProgram* head = Head(slot);
        if (!head) continue;
        for (CTemperatureProgram* pred = head; pred->next; pred = pred->next) {
            if (pred->next->key != node) continue;
            CTemperatureProgram* gone = pred->next;
            pred->next = gone->next;
            delete gone;
            for (CTemperatureProgram* n = pred->next; n; n = n->next) --n->index;
            FSettings[size_t(slot)].saved = 0;
            return;
        }
    }
}

void CProgrammer::FreeProgram(int slot)
{
    NOX_ASSERT_UI_THREAD();
    CTemperatureProgram* head = Head(slot);
    if (!head) return;
    FreeList(head);
    // The slot stays used until RemoveProgramSlot, but must not point at freed nodes.
    FHeads[size_t(slot)] = nullptr;
    FSettings[size_t(slot)].saved = 0;
}

void CProgrammer::RemoveProgramSlot(int slot)
{
    NOX_ASSERT_UI_THREAD();
    if (!ValidSlot(slot)) return;
    FreeList(FHeads[size_t(slot)]);
    for (int i = slot; i < MaxPrograms - 1; ++i) {
        FHeads[size_t(i)] = FHeads[size_t(i + 1)];
        FSlotFree[size_t(i)] = FSlotFree[size_t(i + 1)];
        FSettings[size_t(i)] = FSettings[size_t(i + 1)];
    }
    FHeads[MaxPrograms - 1] = nullptr;
    FSlotFree[MaxPrograms - 1] = 1;
    FSettings[MaxPrograms - 1] = ProgramSettings{};
}

void CProgrammer::FreeAllPrograms()
{
    NOX_ASSERT_UI_THREAD();
    for (int slot = 0; slot < MaxPrograms; ++slot) {
        FreeList(FHeads[size_t(slot)]);
        FHeads[size_t(slot)] = nullptr;
        FSlotFree[size_t(slot)] = 1;
        FSettings[size_t(slot)].saved = 0;
    }
    currentSegment = nullptr;
}

void CProgrammer::RenameProgram(int slot, const AnsiString& name)
{
    NOX_ASSERT_UI_THREAD();
    CTemperatureProgram* head = Head(slot);
    if (!head) return;
    head->name = name;
    FSettings[size_t(slot)].saved = 0;
}

void CProgrammer::RenameSegment(TTreeNode* node, const AnsiString& name)
{
    NOX_ASSERT_UI_THREAD();
    CTemperatureProgram* seg = FindSegment(node);
    if (!seg) return;
    seg->name = name;
    MarkUnsaved(seg);
}

void CProgrammer::MarkUnsaved(const CTemperatureProgram* node)
{
    for (int slot = 0; slot < MaxPrograms; ++slot)
        if (Head(slot) && Head(slot) == node->head) FSettings[size_t(slot)].saved = 0;
}

void CProgrammer::SetSegmentValues(TTreeNode* node, int duration, std::uint8_t waitFlag, std::uint8_t controlMode,
                                   int contact, int analogOutput, double setpoint)
{
    NOX_ASSERT_UI_THREAD();
    CTemperatureProgram* seg = FindSegment(node);
    if (!seg) return;
    CTemperatureProgram::SetValues(seg, duration, analogOutput, waitFlag, controlMode, contact, setpoint);
    MarkUnsaved(seg);
}

void CProgrammer::SetProgramSettings(int slot, bool repeatMode, bool contactUsed, bool stirrerUsed,
                                     double startTemperature, bool endAction)
{
    NOX_ASSERT_UI_THREAD();
    if (!ValidSlot(slot)) return;
    ProgramSettings& s = FSettings[size_t(slot)];
    s.repeatMode = repeatMode ? 1 : 0;
    s.contactUsed = contactUsed ? 1 : 0;
    s.stirrerUsed = stirrerUsed ? 1 : 0;
    s.startTemperature = startTemperature;
    s.endAction = endAction ? 1 : 0;
    s.saved = 0;
}

void CProgrammer::ClearStirrerUse(int slot)
{
    NOX_ASSERT_UI_THREAD();
    CTemperatureProgram* head = Head(slot);
    if (!head) return;
    for (CTemperatureProgram* n = head->next; n; n = n->next) n->analogOutput = -1;
    FSettings[size_t(slot)].stirrerUsed = 0;
}

void CProgrammer::ClearContactUse(int slot)
{
    NOX_ASSERT_UI_THREAD();
    CTemperatureProgram* head = Head(slot);
    if (!head) return;
    for (CTemperatureProgram* n = head->next; n; n = n->next) n->contact = 2;
    FSettings[size_t(slot)].contactUsed = 0;
}

void CProgrammer::SetStirrerUsed(int slot)
{
    NOX_ASSERT_UI_THREAD();
    if (ValidSlot(slot)) FSettings[size_t(slot)].stirrerUsed = 1;
}

void CProgrammer::SetContactUsed(int slot)
{
    NOX_ASSERT_UI_THREAD();
    if (ValidSlot(slot)) FSettings[size_t(slot)].contactUsed = 1;
}

void CProgrammer::SetProgramSaved(int slot)
{
    NOX_ASSERT_UI_THREAD();
    if (Head(slot)) FSettings[size_t(slot)].saved = 1;
}

bool CProgrammer::IsProgramSaved(int slot) const
{
    return ValidSlot(slot) && FSettings[size_t(slot)].saved;
}

bool CProgrammer::IsSlotFree(int slot) const
{
    return ValidSlot(slot) && FSlotFree[size_t(slot)];
}

int CProgrammer::FindFreeSlot() const
{
    for (int slot = 0; slot < MaxPrograms; ++slot)
        if (FSlotFree[size_t(slot)]) return slot;
    return -1;
}

AnsiString CProgrammer::GetProgramName(int slot) const
{
    const CTemperatureProgram* head = Head(slot);
    return head ? head->name : AnsiString();
}

TTreeNode* CProgrammer::GetProgramNode(int slot) const
{
    const CTemperatureProgram* head = Head(slot);
    return head ? head->key : nullptr;
}

double CProgrammer::GetFinalSetpoint(int slot) const
{
    CTemperatureProgram* head = Head(slot);
    return head ? CTemperatureProgram::GetLast(head)->setpoint : 0.0;
}

std::uint8_t CProgrammer::GetRepeatMode(int slot) const
{
    return ValidSlot(slot) ? FSettings[size_t(slot)].repeatMode : 0;
}

std::uint8_t CProgrammer::GetEndAction(int slot) const
{
    return ValidSlot(slot) ? FSettings[size_t(slot)].endAction : 0;
}

double CProgrammer::GetStartTemperature(int slot) const
{
    return ValidSlot(slot) ? FSettings[size_t(slot)].startTemperature : 0.0;
}

bool CProgrammer::IsStirrerUsed(int slot) const
{
    return ValidSlot(slot) && FSettings[size_t(slot)].stirrerUsed;
}

bool CProgrammer::IsContactUsed(int slot) const
{
    return ValidSlot(slot) && FSettings[size_t(slot)].contactUsed;
}

const CTemperatureProgram* CProgrammer::GetProgramHead(int slot) const
{
    return Head(slot);
}

int CProgrammer::GetProgramIndex(const TTreeNode* node)
{
    if (!node) return -1;
    const TTreeNode* program = node->Parent() ? node->Parent() : node;
    return program->Index();
}

int CProgrammer::GetSegmentCount(const TTreeNode* node)
{
    if (!node) return 0;
    const TTreeNode* program = node->Parent() ? node->Parent() : node;
    return program->Count();
}

// A value of the segment behind `node`: 0 (or an empty name) for a node that is no segment.
template <typename T>
T CProgrammer::SegmentField(const TTreeNode* node, T CTemperatureProgram::*field) const
{
    const CTemperatureProgram* seg = FindSegment(node);
    return seg ? seg->*field : T{};
}

AnsiString CProgrammer::GetSegmentName(const TTreeNode* node) const
{
    return SegmentField(node, &CTemperatureProgram::name);
}

double CProgrammer::GetSegmentSetpoint(const TTreeNode* node) const
{
    return SegmentField(node, &CTemperatureProgram::setpoint);
}

int CProgrammer::GetSegmentDuration(const TTreeNode* node) const
{
    return SegmentField(node, &CTemperatureProgram::duration);
}

int CProgrammer::GetSegmentAnalogOutput(const TTreeNode* node) const
{
    return SegmentField(node, &CTemperatureProgram::analogOutput);
}

int CProgrammer::GetSegmentContact(const TTreeNode* node) const
{
    return SegmentField(node, &CTemperatureProgram::contact);
}

std::uint8_t CProgrammer::GetSegmentReserved(const TTreeNode* node) const
{
    return SegmentField(node, &CTemperatureProgram::spare);
}

std::uint8_t CProgrammer::GetSegmentControlMode(const TTreeNode* node) const
{
    return SegmentField(node, &CTemperatureProgram::controlMode);
}

std::uint8_t CProgrammer::GetSegmentWaitFlag(const TTreeNode* node) const
{
    return SegmentField(node, &CTemperatureProgram::waitFlag);
}

AnsiString CProgrammer::NewProgramName()
{
    FDefaultNameFree.fill(1);
    for (int n = 1; n <= MaxPrograms; ++n) {
        const AnsiString candidate = ProgramNamePrefix + IntToStr(n);
        for (int slot = 0; slot < MaxPrograms; ++slot) {
            const CTemperatureProgram* head = Head(slot);
            if (head && head->name == candidate) FDefaultNameFree[size_t(n - 1)] = 0;
        }
    }
    for (int n = 1; n <= MaxPrograms; ++n) {
        if (!FDefaultNameFree[size_t(n - 1)]) continue;
        FDefaultNameFree[size_t(n - 1)] = 0;
        return ProgramNamePrefix + IntToStr(n);
    }
    return AnsiString();
}

AnsiString CProgrammer::NewSegmentName(int slot)
{
    FSegmentNameFree.fill(1);
    if (const CTemperatureProgram* head = Head(slot)) {
        for (const CTemperatureProgram* n = head->next; n; n = n->next) {
            const AnsiString& name = n->name;
            if (name.find(SegmentNamePrefix) == AnsiString::npos) continue;
            const size_t open = name.find('(');
            const size_t close = name.find(')', open + 1);
            if (close == AnsiString::npos) continue;
            const int number =
                NumberInName(std::string_view(name).substr(open + 1, close - open - 1), MaxSegmentNameNumber);
            if (number) FSegmentNameFree[size_t(number - 1)] = 0;
        }
    }
    for (int n = 1; n <= MaxSegmentNameNumber; ++n)
        if (FSegmentNameFree[size_t(n - 1)]) return SegmentNamePrefix + IntToStr(n) + ")";
    return AnsiString();
}

bool CProgrammer::IsProgramNameFree(const AnsiString& fileName) const
{
    const AnsiString name = ProgramNameFromFileName(fileName);
    for (int slot = 0; slot < MaxPrograms; ++slot) {
        const CTemperatureProgram* head = Head(slot);
        if (head && head->name == name) return false;
    }
    return true;
}

AnsiString ProgramNameFromFileName(const AnsiString& fileName)
{
    AnsiString name = fileName;
    const size_t sep = name.find_last_of("\\/:");
    if (sep != AnsiString::npos) name.erase(0, sep + 1);
    if (name.size() > 3 && SameText(std::string_view(name).substr(name.size() - 3), ".tp")) name.erase(name.size() - 3);
    // Umlauts are letters of program names too: "kühlen.tp" is the program KÜHLEN.
    return QString::fromStdString(name).toUpper().toStdString();
}
