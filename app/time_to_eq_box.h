// TimeToEQPBox: the dialog "Parameters For Optimizing Time To Equilibrium" (926) of the
// minimum-time-to-equilibrium planner, its transfer record, and the routine that runs it.
#pragma once

#include "plat/dialog.hpp"

#include <cstdint>

class TXLAWindow;

constexpr int kTimeToEqDialogId = 926;
constexpr unsigned kTimeToEqTextLimit = 15;

// The controls in the order of the transfer record.
constexpr int kTimeToEqControls[33] = {628, 627, 616, 612, 639, 629, 834, 835, 832, 412, 428,
                                       426, 413, 621, 620, 615, 406, 405, 414, 420, 427, 624,
                                       625, 614, 617, 643, 619, 626, 618, 924, 623, 833, 640};

#pragma pack(push, 1)
struct TimeToEQPTransfer {
    using Text = char[kTimeToEqTextLimit];
    Text bottom, meniscus, rightLimit, initialSpeed, finalSpeed, temperature, density, viscosity;
    std::uint32_t givenDistribution;
    Text s1, M1, vbar1, ff01;
    std::uint32_t useS1, useFf01, secondSpecies;
    Text fraction2, s2, M2, vbar2, ff02;
    std::uint32_t useS2, useFf02;
    Text maxOverconcentration, epsilon, overspeedHours, parameterCount;
    std::uint32_t exponential;
    Text repeats;
    std::uint32_t fromLoadedData, saveScanFiles, saveMethodsFormat, justRunSpeedFile;
};
#pragma pack(pop)
static_assert(sizeof(TimeToEQPTransfer) == 374);

// Every text empty, every state 0.
void InitTimeToEQPTransfer(TimeToEQPTransfer& record);
// True when every entry reads as a number of 0 or more (s and s2 may be negative); a 0 only
// when the text begins with '0'.
bool TimeToEqTransferValid(const TimeToEQPTransfer& record);

class TimeToEQPBox : public TDialog {
  public:
    TimeToEQPBox(TWindow* parent, TimeToEQPTransfer& record);
    // An invalid entry beeps, says "Invalid Entry" and keeps the dialog open.
    bool CanClose() override;

  private:
    TimeToEQPTransfer& record_;
};

// Fills the record from the parameters, runs the dialog and, on OK, reads it back, completes
// the species and chooses the output place. False on Cancel: the parameters as they were, with
// the species completed as OK completes them.
bool RunTimeToEQPBox(TXLAWindow* window, TimeToEQPTransfer& record);
