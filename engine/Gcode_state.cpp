// The modal state, the machine settings and the tool-path store of a run:
// their globals, the start state of a run and the segments of the path.
#include <memory>

#include "engine/Extent.h"
#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

ModalState modalState;
MachineSettings machineSettings;
std::unique_ptr<piece> trajectoryStore = std::make_unique<piece>();
std::unique_ptr<trajectoire> currentSegment;
bool keepToolPath = true;

namespace {

// The segment object of the last stored move, kept for the next one.
std::unique_ptr<trajectoire> spareSegment;

} // namespace

void beginSegment(int32_t kind)
{
    const ModalState& s = modalState;
    const float x = previewScale(s.currentX);
    const float y = previewScale(s.currentY);
    const float z = previewScale(s.currentZ);
    if (spareSegment) {
        currentSegment = std::move(spareSegment);
        currentSegment->restart(x, y, z, kind);
    } else {
        currentSegment = std::make_unique<trajectoire>(x, y, z, kind);
    }
}

void storeSegment(bool straight)
{
    trajectoryStore->addSegment(*currentSegment);
    extendExtent(*currentSegment, straight);
    spareSegment = std::move(currentSegment);
}

void storeMachineSegment()
{
    trajectoryStore->addMachineSegment(*currentSegment);
    spareSegment = std::move(currentSegment);
}

void resetTranslator()
{
    // Every run starts from the same state, whatever the last one left: the
    // feed, the cycle's words, G98/G99 and the distance mode included.
    modalState = ModalState{};
    // The tool starts 10 mm above the program's zero (machine Z counts down).
    modalState.currentZ =
        static_cast<float>(-10.0L * static_cast<long double>(machineSettings.stepsPerMmZ));
    modalState.currentSpeed = machineSettings.maxSpeedXY;
    trajectoryStore =
        keepToolPath ? std::make_unique<piece>() : std::make_unique<piece>(piece::Discarding{});
    resetExtent();
    clearCodesWithoutEffect();
}

void noteFeedInForce()
{
    ModalState& s = modalState;
    if (!s.feedProgrammed && s.startFeed == StartFeedNote::None)
        s.startFeed = StartFeedNote::Pending;
}

void resetEngineForProgramStart()
{
    modalState = ModalState{};
    machineSettings = MachineSettings{};
    keepToolPath = true;
    trajectoryStore = std::make_unique<piece>();
    currentSegment.reset();
}
