/* vsxsim.h - control of the simulated cameras behind vsxcore.h, for tests and
 * manual experiments. Cameras are addressed by serial number. Environment:
 *   VSXSIM_CAMERAS        comma list of built-in camera ids (usb-color, usb-mono16,
 *                         gige-color, gige-unreachable, analog)
 *   VSXSIM_CONFIG         a JSON camera configuration (file path or inline JSON)
 *   VSXSIM_CLOCK          realtime (default), fast or manual
 *   VSXSIM_DETERMINISTIC  1: no noise, fixed seed, exact ideal pixels, no coalescing
 *   VSXSIM_SEED           seed of the random parts
 *   VSXSIM_FAULTS         fault rules (file path or inline JSON, an object or an array)
 *   VSXSIM_LOG            "stderr" or a file path; VSXSIM_LOG_LEVEL 0 errors .. 3 debug
 *   VSXSIM_SENSOR_SCALE   shrinks every sensor by this factor (0 < s <= 1)
 */
#ifndef VSXSIM_H
#define VSXSIM_H

#include "vsxcore.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Replaces the camera set (JSON, see the README); fires device-list-changed. */
VSX_API bool vsxsim_configure(const char* json);
/* Plugs a camera in or out; unplugging an open camera is a device loss. */
VSX_API bool vsxsim_plug(const char* serial, bool present);
/* Adds a fault rule (JSON object); returns its id (> 0) or -1. */
VSX_API int vsxsim_inject_fault(const char* json);
VSX_API void vsxsim_clear_faults(void);
/* A camera-side change of a feature (bypasses locks and read-only, notifies). */
VSX_API bool vsxsim_camera_write(const char* serial, const char* feature, const char* value_text);
/* A pulse on an input line ("Line1" ...). */
VSX_API bool vsxsim_trigger_line(const char* serial, const char* line);
/* Forces one device event ("ExposureStart", "ExposureEnd", "FrameTriggerMissed", "Overtemperature")
 * when its EventNotification is On. The built-in events write their integer data first; an event
 * without built-in data only notifies its "Event<name>" feature, when a configuration added one
 * (its data features are set with vsxsim_camera_write). */
VSX_API bool vsxsim_fire_event(const char* serial, const char* event);
/* Manual clock: lets the camera produce count more frames. */
VSX_API bool vsxsim_step(const char* serial, int count);
/* "Reachable", "IncompatibleDriver" or "NotReachable". */
VSX_API bool vsxsim_set_driver_status(const char* serial, const char* status);
VSX_API bool vsxsim_set_ip(const char* serial, const char* ip, const char* mask, const char* gateway);
/* Waits until every queued notification and queued frame has been delivered. */
VSX_API bool vsxsim_flush(int timeout_ms);
/* JSON statistics of one camera (serial) or of the whole library (NULL); buffer protocol as
 * vsx_propmap_get_value_string. */
VSX_API bool vsxsim_stats(const char* serial, char* buffer, size_t* size);
/* Orderly stop of every thread, stream and registration; the library is then uninitialised. */
VSX_API void vsxsim_shutdown(void);

#ifdef __cplusplus
}
#endif

#endif /* VSXSIM_H */
