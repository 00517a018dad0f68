// The 21 C functions of the device library, served by the emulator.
#include "kivratolm.h"

#include "Emulator.h"

using KivraTolmEmulator::Emulator;

extern "C" {

int32_t KivraTolmGetErrorLength(int32_t status) {
    return Emulator::instance().errorLength(status);
}

int32_t KivraTolmGetError(int32_t status, char* message) {
    return Emulator::instance().errorText(status, message);
}

int32_t KivraTolmBeginEnumerate(int32_t* count, uint32_t typeId) {
    return Emulator::instance().beginEnumerate(count, typeId);
}

int32_t KivraTolmGetIdentifier(int32_t index, char* identifier, uint32_t* typeId, char* details) {
    return Emulator::instance().identifier(index, identifier, typeId, details);
}

int32_t KivraTolmOpen(const char* identifier, int32_t* handle) {
    return Emulator::instance().open(identifier, handle);
}

int32_t KivraTolmOpenNetwork(const char* host, int32_t port, int32_t* handle, uint32_t typeId, char* details) {
    return Emulator::instance().openNetwork(host, port, handle, typeId, details);
}

int32_t KivraTolmClose(int32_t handle) {
    return Emulator::instance().close(handle);
}

int32_t KivraTolmGetDeviceParameter(int32_t handle, int32_t number, int32_t* value) {
    return Emulator::instance().deviceParameter(handle, number, value);
}

int32_t KivraTolmGetPeripheralName(int32_t handle, uint32_t id, char* name) {
    return Emulator::instance().peripheralName(handle, id, name);
}

int32_t KivraTolmGetDigitalPortIoCount(int32_t handle, uint32_t portId, int32_t* count) {
    return Emulator::instance().portLineCount(handle, portId, count);
}

int32_t KivraTolmGetDigitalPortIoName(int32_t handle, uint32_t portId, int32_t line, char* name) {
    return Emulator::instance().portLineName(handle, portId, line, name);
}

int32_t KivraTolmSetDigitalPortOutputEnableMask(int32_t handle, uint32_t portId, uint32_t mask) {
    return Emulator::instance().setOutputEnableMask(handle, portId, mask);
}

int32_t KivraTolmWriteDigitalPort(int32_t handle, uint32_t portId, uint32_t value) {
    return Emulator::instance().writePort(handle, portId, value);
}

int32_t KivraTolmSetCounterConfig(int32_t handle, uint32_t counterId, uint32_t configuration) {
    return Emulator::instance().setCounterConfig(handle, counterId, configuration);
}

int32_t KivraTolmSetCounterEnable(int32_t handle, uint32_t counterId, int32_t enable) {
    return Emulator::instance().setCounterEnable(handle, counterId, enable);
}

int32_t KivraTolmResetCounter(int32_t handle, uint32_t counterId) {
    return Emulator::instance().resetCounter(handle, counterId);
}

int32_t KivraTolmSetColumnSensitivity(int32_t handle, int32_t column, int32_t value) {
    return Emulator::instance().setColumnSensitivity(handle, column, value);
}

int32_t KivraTolmSetupInputFrame(int32_t handle, const uint32_t* ids, int32_t count) {
    return Emulator::instance().setupInputFrame(handle, ids, count);
}

int32_t KivraTolmStartDataAcquisition(int32_t handle, int32_t flag, float rate, int32_t reserved, float* actualRate) {
    return Emulator::instance().startAcquisition(handle, flag, rate, reserved, actualRate);
}

int32_t KivraTolmStopDataAcquisition(int32_t handle) {
    return Emulator::instance().stopAcquisition(handle);
}

int32_t KivraTolmReadNonBlocking(int32_t handle, float* floats, uint32_t* words, int32_t* count) {
    return Emulator::instance().readNonBlocking(handle, floats, words, count);
}

} // extern "C"
