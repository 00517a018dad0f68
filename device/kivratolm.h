/* The device library kivratolm-1.3-x86, as the device layer calls it.
 *
 * Every function returns a status, 0 on success. The message of a non-zero
 * status comes from KivraTolmGetErrorLength / KivraTolmGetError. Texts are
 * written NUL-terminated into caller buffers of KIVRATOLM_TEXT_SIZE bytes. */
#ifndef KIVRATOLM_H
#define KIVRATOLM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KIVRATOLM_API __attribute__((visibility("default")))

/* Size of every text buffer the library writes into, NUL included. */
#define KIVRATOLM_TEXT_SIZE 1024

KIVRATOLM_API int32_t KivraTolmGetErrorLength(int32_t status);
KIVRATOLM_API int32_t KivraTolmGetError(int32_t status, char* message);

KIVRATOLM_API int32_t KivraTolmBeginEnumerate(int32_t* count, uint32_t typeId);
KIVRATOLM_API int32_t KivraTolmGetIdentifier(int32_t index, char* identifier, uint32_t* typeId, char* details);

KIVRATOLM_API int32_t KivraTolmOpen(const char* identifier, int32_t* handle);
KIVRATOLM_API int32_t KivraTolmOpenNetwork(const char* host, int32_t port, int32_t* handle, uint32_t typeId,
                                           char* details);
KIVRATOLM_API int32_t KivraTolmClose(int32_t handle);

/* Parameters: 0 analog inputs, 2 sensor inputs, 3 digital ports, 4 counters,
 * 5 triggers (counts); 6 the most frames one read returns. */
KIVRATOLM_API int32_t KivraTolmGetDeviceParameter(int32_t handle, int32_t number, int32_t* value);
KIVRATOLM_API int32_t KivraTolmGetPeripheralName(int32_t handle, uint32_t id, char* name);

KIVRATOLM_API int32_t KivraTolmGetDigitalPortIoCount(int32_t handle, uint32_t portId, int32_t* count);
KIVRATOLM_API int32_t KivraTolmGetDigitalPortIoName(int32_t handle, uint32_t portId, int32_t line, char* name);
KIVRATOLM_API int32_t KivraTolmSetDigitalPortOutputEnableMask(int32_t handle, uint32_t portId, uint32_t mask);
KIVRATOLM_API int32_t KivraTolmWriteDigitalPort(int32_t handle, uint32_t portId, uint32_t value);

KIVRATOLM_API int32_t KivraTolmSetCounterConfig(int32_t handle, uint32_t counterId, uint32_t configuration);
KIVRATOLM_API int32_t KivraTolmSetCounterEnable(int32_t handle, uint32_t counterId, int32_t enable);
KIVRATOLM_API int32_t KivraTolmResetCounter(int32_t handle, uint32_t counterId);

KIVRATOLM_API int32_t KivraTolmSetColumnSensitivity(int32_t handle, int32_t column, int32_t value);

KIVRATOLM_API int32_t KivraTolmSetupInputFrame(int32_t handle, const uint32_t* ids, int32_t count);
KIVRATOLM_API int32_t KivraTolmStartDataAcquisition(int32_t handle, int32_t flag, float rate, int32_t reserved,
                                                    float* actualRate);
KIVRATOLM_API int32_t KivraTolmStopDataAcquisition(int32_t handle);

/* Copies every frame that arrived since the last read, at most parameter 6
 * frames, and returns at once. Frame k's floats start at k * (A + S), its
 * words at k * (D + C + T). */
KIVRATOLM_API int32_t KivraTolmReadNonBlocking(int32_t handle, float* floats, uint32_t* words, int32_t* count);

#ifdef __cplusplus
}
#endif

#endif
