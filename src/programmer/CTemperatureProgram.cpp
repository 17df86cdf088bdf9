#include "programmer/CTemperatureProgram.h"

void CTemperatureProgram::SetValues(CTemperatureProgram* node, int duration, int analogOutput, std::uint8_t waitFlag,
                                    std::uint8_t controlMode, int contact, double setpoint)
{
    if (!node) return;
    node->duration = duration;
    node->analogOutput = analogOutput;
    node->waitFlag = waitFlag;
    node->controlMode = controlMode;
    node->contact = contact;
    node->setpoint = setpoint;
}

CTemperatureProgram* CTemperatureProgram::GetLast(CTemperatureProgram* head)
{
    if (!head) return nullptr;
    CTemperatureProgram* n = head;
    while (n->next) n = n->next;
    return n;
}

int CTemperatureProgram::GetCount(const CTemperatureProgram* head)
{
    if (!head) return 0;
    int count = 0;
    for (const CTemperatureProgram* n = head->next; n; n = n->next) ++count;
    return count;
}
