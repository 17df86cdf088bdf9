#pragma once
// One node of a temperature program. A program is a singly linked list: its first node, the
// head, stands for the program itself (name and tree node of the program); the nodes behind
// it are the program's segments. The program's owner (CProgrammer) creates and frees nodes.
#include <cstdint>

#include "platform/AnsiString.h"

class TTreeNode;

class CTemperatureProgram {
public:
    CTemperatureProgram* head = nullptr;  // the program's head; a head points to itself
    CTemperatureProgram* next = nullptr;  // the following node, null at the end
    TTreeNode* key = nullptr;             // the tree node showing this node, compared by identity
    AnsiString name;
    double setpoint = 0.0;  // target temperature, °C
    int index = 0;          // 0 for the head, 1 for the first segment, ...
    int duration = 0;       // seconds
    int analogOutput = 0;   // stirrer output in %, -1 unchanged
    int contact = 0;        // floating contact: 0 off, 1 on, 2 unchanged
    // Nothing in the program sets this byte; it is written to program files and ignored when
    // they are read. Kept at 0 so that the files written are reproducible.
    std::uint8_t spare = 0;
    std::uint8_t controlMode = 0;  // 0 internal, 1 process (external)
    std::uint8_t waitFlag = 0;     // 0 time stable, 1 temperature stable

    CTemperatureProgram() = default;
    CTemperatureProgram(const CTemperatureProgram&) = delete;
    CTemperatureProgram& operator=(const CTemperatureProgram&) = delete;

    // Sets the six segment values of `node`; a null node is ignored.
    static void SetValues(CTemperatureProgram* node, int duration, int analogOutput, std::uint8_t waitFlag,
                          std::uint8_t controlMode, int contact, double setpoint);
    // The last node of the list (the head itself when there are no segments); null for null.
    static CTemperatureProgram* GetLast(CTemperatureProgram* head);
    // The number of nodes behind the head; 0 for null.
    static int GetCount(const CTemperatureProgram* head);
};
