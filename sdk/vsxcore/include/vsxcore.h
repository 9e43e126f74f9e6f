/* vsxcore.h - the camera SDK: simulated cameras behind a plain C interface.
 *
 * Every handle a call hands out carries one reference owned by the caller; drop
 * it with the family's _unref function (which accepts NULL). Calls report
 * failure by false, NULL, 0 or -1 and keep a thread-local last error that
 * vsx_get_last_error reads. Every call except vsx_get_last_error, the _ref and
 * _unref functions and the _equals functions sets the last error, to code 0 and
 * an empty message on success. Every function may be called from any thread.
 */
#ifndef VSXCORE_H
#define VSXCORE_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#if defined(VSXCORE_BUILD)
#define VSX_API __attribute__((visibility("default")))
#else
#define VSX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Error codes of the last error. */
#define VSX_ERROR_NONE 0
#define VSX_ERROR_INTERNAL 1
#define VSX_ERROR_INVALID_PARAMETER 3
#define VSX_ERROR_NOT_FOUND 4
#define VSX_ERROR_LIBRARY_NOT_INITIALIZED 5
#define VSX_ERROR_WRONG_KIND 6
#define VSX_ERROR_ACCESS_DENIED 7
#define VSX_ERROR_NOT_AVAILABLE 8
#define VSX_ERROR_OUT_OF_RANGE 9
#define VSX_ERROR_INVALID_STATE 10
#define VSX_ERROR_DEVICE_NOT_OPEN 11
#define VSX_ERROR_DEVICE_LOST 12
#define VSX_ERROR_DEVICE_BUSY 13
#define VSX_ERROR_BUFFER_TOO_SMALL 14
#define VSX_ERROR_NOT_SUPPORTED 15
#define VSX_ERROR_FILE_IO 16
#define VSX_ERROR_FILE_FORMAT 17
#define VSX_ERROR_ENCODER 18
#define VSX_ERROR_TIMEOUT 19
#define VSX_ERROR_NO_DATA 20
#define VSX_ERROR_NOT_REACHABLE 21

/* Property kinds (vsx_prop_get_type). */
#define VSX_PROP_INTEGER 1
#define VSX_PROP_FLOAT 2
#define VSX_PROP_ENUMERATION 3
#define VSX_PROP_BOOLEAN 4
#define VSX_PROP_STRING 5
#define VSX_PROP_COMMAND 6
#define VSX_PROP_CATEGORY 7
#define VSX_PROP_REGISTER 8
#define VSX_PROP_ENUMENTRY 9

/* Sink types (vsx_sink_get_type). */
#define VSX_SINK_QUEUE 4
#define VSX_SINK_SNAP 5

/* Transport-layer types (vsx_devitf_get_tl_type). */
#define VSX_TL_OTHER 0
#define VSX_TL_GIGE_VISION 1
#define VSX_TL_USB3_VISION 2

/* Sink and writer pixel formats (GenICam PFNC codes). */
#define VSX_PIXELFORMAT_MONO8 0x01080001u
#define VSX_PIXELFORMAT_MONO16 0x01100007u
#define VSX_PIXELFORMAT_BGR8 0x02180015u
#define VSX_PIXELFORMAT_BGRA8 0x02200017u
#define VSX_PIXELFORMAT_BGRA16 0x02400051u
#define VSX_PIXELFORMAT_YUV422_8 0x02100032u
#define VSX_PIXELFORMAT_YCBCR422_8 0x0210003Bu

typedef struct vsx_devenum vsx_devenum;
typedef struct vsx_devitf vsx_devitf;
typedef struct vsx_devinfo vsx_devinfo;
typedef struct vsx_grabber vsx_grabber;
typedef struct vsx_propmap vsx_propmap;
typedef struct vsx_prop vsx_prop;
typedef struct vsx_proplist vsx_proplist;
typedef struct vsx_sink vsx_sink;
typedef struct vsx_display vsx_display;
typedef struct vsx_imagebuffer vsx_imagebuffer;
typedef struct vsx_videowriter vsx_videowriter;

typedef struct vsx_init_config {
    int32_t api_version;
    int32_t log_level;
    int32_t flags;
    const char* log_path;
} vsx_init_config;

typedef struct vsx_image_type {
    uint32_t pixel_format;
    uint32_t width;
    uint32_t height;
} vsx_image_type;

typedef struct vsx_queuesink_config {
    void (*release)(void* context);
    bool (*sink_connected)(vsx_sink* sink, void* context, const vsx_image_type* type, size_t min_buffers);
    void (*sink_disconnected)(vsx_sink* sink, void* context);
    void (*frames_queued)(vsx_sink* sink, void* context);
    void* context;
    const uint32_t* pixel_formats;
    size_t pixel_format_count;
    void (*allocator_release)(void* allocator_context);
    void* (*allocate)(void* allocator_context, size_t size);
    void (*free)(void* allocator_context, void* ptr);
    void* allocator_context;
    size_t max_output_buffers; /* 0: the SDK chooses */
} vsx_queuesink_config;

typedef struct vsx_save_bmp_options {
    uint32_t flags;
} vsx_save_bmp_options;

typedef struct vsx_save_png_options {
    uint32_t flags;
    int32_t compression;
} vsx_save_png_options;

typedef struct vsx_save_jpeg_options {
    int32_t quality; /* 0: 75; otherwise clamped to 1..100 */
    uint32_t flags;
} vsx_save_jpeg_options;

typedef struct vsx_save_tiff_options {
    uint32_t flags;
    uint32_t compression;
} vsx_save_tiff_options;

/* Library and errors */
VSX_API bool vsx_init_library(const vsx_init_config* config);
VSX_API bool vsx_get_last_error(int* code, char* buffer, size_t* size);

/* Device enumeration */
VSX_API bool vsx_devenum_create(vsx_devenum** out);
VSX_API void vsx_devenum_ref(vsx_devenum* e);
VSX_API void vsx_devenum_unref(vsx_devenum* e);
VSX_API bool vsx_devenum_update_device_list(vsx_devenum* e);
VSX_API int vsx_devenum_get_device_count(vsx_devenum* e);
VSX_API bool vsx_devenum_get_devinfo(vsx_devenum* e, int index, vsx_devinfo** out);
VSX_API bool vsx_devenum_update_interface_list(vsx_devenum* e);
VSX_API int vsx_devenum_get_interface_count(vsx_devenum* e);
VSX_API bool vsx_devenum_get_devitf(vsx_devenum* e, int index, vsx_devitf** out);
VSX_API bool vsx_devenum_event_add_device_list_changed(vsx_devenum* e,
                                                       void (*callback)(vsx_devenum* e, void* context),
                                                       void* context, void (*release)(void* context));

/* Device interfaces */
VSX_API void vsx_devitf_ref(vsx_devitf* itf);
VSX_API void vsx_devitf_unref(vsx_devitf* itf);
VSX_API bool vsx_devitf_equals(vsx_devitf* a, vsx_devitf* b);
VSX_API const char* vsx_devitf_get_display_name(vsx_devitf* itf);
VSX_API const char* vsx_devitf_get_tl_name(vsx_devitf* itf);
VSX_API const char* vsx_devitf_get_tl_version(vsx_devitf* itf);
VSX_API int vsx_devitf_get_tl_type(vsx_devitf* itf);
VSX_API bool vsx_devitf_get_property_map(vsx_devitf* itf, vsx_propmap** out);
VSX_API bool vsx_devitf_update_device_list(vsx_devitf* itf);
VSX_API int vsx_devitf_get_device_count(vsx_devitf* itf);
VSX_API bool vsx_devitf_get_devinfo(vsx_devitf* itf, int index, vsx_devinfo** out);

/* Device information */
VSX_API void vsx_devinfo_ref(vsx_devinfo* info);
VSX_API void vsx_devinfo_unref(vsx_devinfo* info);
VSX_API bool vsx_devinfo_equals(vsx_devinfo* a, vsx_devinfo* b);
VSX_API const char* vsx_devinfo_get_model_name(vsx_devinfo* info);
VSX_API const char* vsx_devinfo_get_serial(vsx_devinfo* info);
VSX_API const char* vsx_devinfo_get_unique_name(vsx_devinfo* info);
VSX_API const char* vsx_devinfo_get_user_id(vsx_devinfo* info);
VSX_API bool vsx_devinfo_get_devitf(vsx_devinfo* info, vsx_devitf** out);

/* Grabber */
VSX_API bool vsx_grabber_create(vsx_grabber** out);
VSX_API void vsx_grabber_ref(vsx_grabber* g);
VSX_API void vsx_grabber_unref(vsx_grabber* g);
VSX_API bool vsx_grabber_device_open(vsx_grabber* g, vsx_devinfo* info);
VSX_API bool vsx_grabber_device_close(vsx_grabber* g);
VSX_API bool vsx_grabber_is_device_open(vsx_grabber* g);
VSX_API bool vsx_grabber_is_device_valid(vsx_grabber* g);
VSX_API bool vsx_grabber_is_streaming(vsx_grabber* g);
VSX_API bool vsx_grabber_is_acquisition_active(vsx_grabber* g);
VSX_API bool vsx_grabber_get_device(vsx_grabber* g, vsx_devinfo** out);
VSX_API bool vsx_grabber_device_get_property_map(vsx_grabber* g, vsx_propmap** out);
VSX_API bool vsx_grabber_driver_get_property_map(vsx_grabber* g, vsx_propmap** out);
VSX_API bool vsx_grabber_stream_setup(vsx_grabber* g, vsx_sink* sink, vsx_display* display,
                                      bool start_acquisition);
VSX_API bool vsx_grabber_stream_stop(vsx_grabber* g);
VSX_API bool vsx_grabber_acquisition_start(vsx_grabber* g);
VSX_API bool vsx_grabber_acquisition_stop(vsx_grabber* g);
VSX_API bool vsx_grabber_event_add_device_lost(vsx_grabber* g,
                                               void (*callback)(vsx_grabber* g, void* context), void* context,
                                               void (*release)(void* context));
VSX_API bool vsx_grabber_get_sink(vsx_grabber* g, vsx_sink** out);
VSX_API bool vsx_grabber_get_display(vsx_grabber* g, vsx_display** out);
VSX_API void vsx_display_ref(vsx_display* d);
VSX_API void vsx_display_unref(vsx_display* d);

/* Sinks */
VSX_API bool vsx_queuesink_create(vsx_sink** out, const vsx_queuesink_config* config);
VSX_API void vsx_sink_ref(vsx_sink* s);
VSX_API void vsx_sink_unref(vsx_sink* s);
VSX_API int vsx_sink_get_type(vsx_sink* s);
VSX_API bool vsx_queuesink_alloc_and_queue_buffers(vsx_sink* s, size_t count);
VSX_API bool vsx_queuesink_pop_output_buffer(vsx_sink* s, vsx_imagebuffer** out);

/* Image buffers */
VSX_API void vsx_imagebuffer_ref(vsx_imagebuffer* b);
VSX_API void vsx_imagebuffer_unref(vsx_imagebuffer* b);
VSX_API bool vsx_imagebuffer_get_image_type(vsx_imagebuffer* b, vsx_image_type* out);
VSX_API size_t vsx_imagebuffer_get_pitch(vsx_imagebuffer* b);
VSX_API void* vsx_imagebuffer_get_ptr(vsx_imagebuffer* b);
VSX_API bool vsx_imagebuffer_wrap_memory(vsx_imagebuffer** out, void* data, size_t size, size_t pitch,
                                         const vsx_image_type* type, void (*release)(void* context),
                                         void* release_context);
VSX_API bool vsx_imagebuffer_save_as_bmpW(vsx_imagebuffer* b, const wchar_t* path,
                                          const vsx_save_bmp_options* options);
VSX_API bool vsx_imagebuffer_save_as_pngW(vsx_imagebuffer* b, const wchar_t* path,
                                          const vsx_save_png_options* options);
VSX_API bool vsx_imagebuffer_save_as_jpegW(vsx_imagebuffer* b, const wchar_t* path,
                                           const vsx_save_jpeg_options* options);
VSX_API bool vsx_imagebuffer_save_as_tiffW(vsx_imagebuffer* b, const wchar_t* path,
                                           const vsx_save_tiff_options* options);

/* Pixel formats */
VSX_API const char* vsx_pixelformat_tostring(uint32_t code);
VSX_API int vsx_pixelformat_bpp(uint32_t code);

/* Property maps and lists */
VSX_API void vsx_propmap_ref(vsx_propmap* m);
VSX_API void vsx_propmap_unref(vsx_propmap* m);
VSX_API bool vsx_propmap_find(vsx_propmap* m, const char* name, vsx_prop** out);
VSX_API bool vsx_propmap_find_category(vsx_propmap* m, const char* name, vsx_prop** out);
VSX_API bool vsx_propmap_find_integer(vsx_propmap* m, const char* name, vsx_prop** out);
VSX_API bool vsx_propmap_find_float(vsx_propmap* m, const char* name, vsx_prop** out);
VSX_API bool vsx_propmap_find_boolean(vsx_propmap* m, const char* name, vsx_prop** out);
VSX_API bool vsx_propmap_find_enumeration(vsx_propmap* m, const char* name, vsx_prop** out);
VSX_API bool vsx_propmap_find_string(vsx_propmap* m, const char* name, vsx_prop** out);
VSX_API bool vsx_propmap_find_command(vsx_propmap* m, const char* name, vsx_prop** out);
VSX_API bool vsx_propmap_find_register(vsx_propmap* m, const char* name, vsx_prop** out);
VSX_API bool vsx_propmap_get_all(vsx_propmap* m, vsx_proplist** out);
VSX_API bool vsx_propmap_get_value_int64(vsx_propmap* m, const char* name, int64_t* value);
VSX_API bool vsx_propmap_get_value_string(vsx_propmap* m, const char* name, char* buffer, size_t* size);
VSX_API bool vsx_propmap_set_value_int64(vsx_propmap* m, const char* name, int64_t value);
VSX_API bool vsx_propmap_set_value_string(vsx_propmap* m, const char* name, const char* value);
VSX_API bool vsx_propmap_set_value_bool(vsx_propmap* m, const char* name, bool value);
VSX_API bool vsx_propmap_execute_command(vsx_propmap* m, const char* name);
VSX_API bool vsx_propmap_serialize_to_fileW(vsx_propmap* m, const wchar_t* path);
VSX_API bool vsx_propmap_deserialize_from_fileW(vsx_propmap* m, const wchar_t* path);

VSX_API void vsx_proplist_ref(vsx_proplist* l);
VSX_API void vsx_proplist_unref(vsx_proplist* l);
VSX_API bool vsx_proplist_size(vsx_proplist* l, size_t* size);
VSX_API bool vsx_proplist_at(vsx_proplist* l, size_t index, vsx_prop** out);

/* Properties of every kind */
VSX_API void vsx_prop_ref(vsx_prop* p);
VSX_API void vsx_prop_unref(vsx_prop* p);
VSX_API int vsx_prop_get_type(vsx_prop* p);
VSX_API const char* vsx_prop_get_name(vsx_prop* p);
VSX_API const char* vsx_prop_get_display_name(vsx_prop* p);
VSX_API const char* vsx_prop_get_tooltip(vsx_prop* p);
VSX_API const char* vsx_prop_get_description(vsx_prop* p);
VSX_API int vsx_prop_get_visibility(vsx_prop* p);
VSX_API bool vsx_prop_is_available(vsx_prop* p);
VSX_API bool vsx_prop_is_locked(vsx_prop* p);
VSX_API bool vsx_prop_is_likely_locked_by_stream(vsx_prop* p);
VSX_API bool vsx_prop_is_readonly(vsx_prop* p);
VSX_API bool vsx_prop_event_add_notification(vsx_prop* p, void (*callback)(vsx_prop* p, void* context),
                                             void* context, void (*release)(void* context));
VSX_API bool vsx_prop_event_remove_notification(vsx_prop* p, void (*callback)(vsx_prop* p, void* context),
                                                void* context);
VSX_API bool vsx_prop_category_get_features(vsx_prop* p, vsx_proplist** out);

VSX_API bool vsx_prop_integer_get_value(vsx_prop* p, int64_t* value);
VSX_API bool vsx_prop_integer_set_value(vsx_prop* p, int64_t value);
VSX_API bool vsx_prop_integer_get_min(vsx_prop* p, int64_t* value);
VSX_API bool vsx_prop_integer_get_max(vsx_prop* p, int64_t* value);
VSX_API bool vsx_prop_integer_get_inc(vsx_prop* p, int64_t* value);
VSX_API int vsx_prop_integer_get_inc_mode(vsx_prop* p);
VSX_API const char* vsx_prop_integer_get_unit(vsx_prop* p);
VSX_API int vsx_prop_integer_get_representation(vsx_prop* p);
VSX_API bool vsx_prop_integer_get_valid_value_set(vsx_prop* p, int64_t* values, size_t* count);

VSX_API bool vsx_prop_float_get_value(vsx_prop* p, double* value);
VSX_API bool vsx_prop_float_set_value(vsx_prop* p, double value);
VSX_API bool vsx_prop_float_get_min(vsx_prop* p, double* value);
VSX_API bool vsx_prop_float_get_max(vsx_prop* p, double* value);
VSX_API bool vsx_prop_float_get_inc(vsx_prop* p, double* value);
VSX_API int vsx_prop_float_get_inc_mode(vsx_prop* p);
VSX_API const char* vsx_prop_float_get_unit(vsx_prop* p);
VSX_API int vsx_prop_float_get_representation(vsx_prop* p);
VSX_API int vsx_prop_float_get_display_notation(vsx_prop* p);
VSX_API int vsx_prop_float_get_display_precision(vsx_prop* p);
VSX_API bool vsx_prop_float_get_valid_value_set(vsx_prop* p, double* values, size_t* count);

VSX_API bool vsx_prop_enum_get_entries(vsx_prop* p, vsx_proplist** out);
VSX_API bool vsx_prop_enum_get_selected_entry(vsx_prop* p, vsx_prop** out);
VSX_API bool vsx_prop_enum_set_value(vsx_prop* p, const char* symbolic);
VSX_API bool vsx_prop_enum_get_int_value(vsx_prop* p, int64_t* value);
VSX_API bool vsx_prop_enum_set_int_value(vsx_prop* p, int64_t value);
VSX_API bool vsx_prop_enumentry_get_int_value(vsx_prop* entry, int64_t* value);

VSX_API bool vsx_prop_boolean_get_value(vsx_prop* p, bool* value);
VSX_API bool vsx_prop_boolean_set_value(vsx_prop* p, bool value);

VSX_API bool vsx_prop_string_get_value(vsx_prop* p, char* buffer, size_t* size);
VSX_API bool vsx_prop_string_set_value(vsx_prop* p, const char* data, size_t length);
VSX_API bool vsx_prop_string_get_max_len(vsx_prop* p, int64_t* value);

VSX_API bool vsx_prop_command_execute(vsx_prop* p);

VSX_API bool vsx_prop_register_get_size(vsx_prop* p, int64_t* size);
VSX_API bool vsx_prop_register_set_value(vsx_prop* p, const void* data, size_t size);
VSX_API bool vsx_prop_register_get_value(vsx_prop* p, void* data, size_t size);

/* Video writer: 0 H.264, 1 H.265 */
VSX_API bool vsx_videowriter_create(int type, vsx_videowriter** out);
VSX_API void vsx_videowriter_ref(vsx_videowriter* w);
VSX_API void vsx_videowriter_unref(vsx_videowriter* w);
VSX_API bool vsx_videowriter_get_property_map(vsx_videowriter* w, vsx_propmap** out);
VSX_API bool vsx_videowriter_begin_fileW(vsx_videowriter* w, const wchar_t* path, const vsx_image_type* type,
                                         double fps);
VSX_API bool vsx_videowriter_add_frame(vsx_videowriter* w, vsx_imagebuffer* frame);
VSX_API bool vsx_videowriter_finish_file(vsx_videowriter* w);

#ifdef __cplusplus
}
#endif

#endif /* VSXCORE_H */
