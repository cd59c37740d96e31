/*
 * velscan: the C interface to the handheld near-infrared spectrometer, for
 * programs in any language (C, C++, Python through ctypes, LabVIEW, MATLAB,
 * C#, Julia, ...). Exported by libvelscan.so beside the device API of
 * wrapper.h.
 *
 * Conventions that hold for every function below:
 *
 * - Results. Every function except the three returning text returns an
 *   int32_t code: VELSCAN_OK (0) on success, a negative code on failure.
 *   velscan_strerror(code) says what a code means in plain words, and
 *   velscan_last_error_message() gives the details of this thread's last
 *   failure (which step failed with which code of the layers below, which
 *   value was out of range). Only the VELSCAN_* codes listed here are ever
 *   returned.
 * - Out-parameters are written only on success. On failure nothing is
 *   written to any caller buffer, no file is created or changed, and nothing
 *   is left allocated.
 * - Handles. velscan_device and velscan_spectrum are opaque: callers hold
 *   pointers and never look inside. A handle is valid from the call that
 *   hands it out until velscan_close / velscan_spectrum_free. Handle values
 *   are never reused, so a closed or freed handle passed again (or any value
 *   this library did not hand out, or a spectrum passed where a device is
 *   expected) is recognised and answered with VELSCAN_ERR_BAD_HANDLE; it is
 *   never undefined behaviour.
 * - Text out. Functions that return text take (char *buffer, size_t size,
 *   size_t *needed). The text is UTF-8, zero-terminated. *needed (needed may
 *   be NULL) receives the bytes the text takes including the terminating
 *   zero, on success and on VELSCAN_ERR_BUFFER_TOO_SMALL. When size is
 *   smaller than that the call returns VELSCAN_ERR_BUFFER_TOO_SMALL and
 *   leaves buffer untouched; buffer may be NULL when size is 0, which makes
 *   the call a size query. Structured descriptions (device list, instrument
 *   information, configurations) are JSON text whose fields are listed with
 *   each function.
 * - Arrays out. Functions that return numbers take (double *out, size_t
 *   count): count is the room in out, in elements; it must be at least
 *   velscan_spectrum_points(), else VELSCAN_ERR_BUFFER_TOO_SMALL and nothing
 *   written. Exactly that many elements are written.
 * - Threads. Every function may be called from any thread, and handles may
 *   be shared between threads. Calls that reach an instrument are serialized
 *   inside the library (one call at a time across all instruments, each in
 *   turn); several instruments may be open at once. Spectrum functions do not
 *   touch an instrument and run concurrently.
 * - Blocking. Calls that talk to an instrument block until it has answered:
 *   a few milliseconds per exchange, up to the transport's 10 s time-out per
 *   reply when an instrument stops answering, and a scan for its estimated
 *   scan time (about 0.3 s on the factory configurations, times the number
 *   of scans averaged) plus the confirmation that it finished. While another
 *   thread's call holds the instrument lock, a call waits for it. Functions
 *   on spectra and text never block on an instrument.
 * - The library never prints, never exits and never aborts the calling
 *   program; errors inside it (allocation failures included) become codes.
 *   Diagnostic lines go to the callback installed with velscan_set_log, and
 *   nowhere by default.
 */
#ifndef VELSCAN_VELSCAN_H
#define VELSCAN_VELSCAN_H

#include <stddef.h>
#include <stdint.h>

#include "velscan_version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Every code a function of this interface returns. */
enum {
    VELSCAN_OK = 0,
    VELSCAN_ERR_NOT_FOUND = -400,    /* no instrument found, or none with the serial asked for */
    VELSCAN_ERR_CANNOT_OPEN = -401,  /* an instrument was found but cannot be opened (permissions, busy) */
    VELSCAN_ERR_ARGUMENT = -402,     /* a value out of range, or an unknown sample, format or values name */
    VELSCAN_ERR_INPUT_FILE = -403,   /* an input file is unreadable, too large or malformed */
    VELSCAN_ERR_MISMATCH = -404,     /* reference, dark or wide file does not match the scan's wavelengths */
    VELSCAN_ERR_OUTPUT_FILE = -405,  /* an output file cannot be written */
    VELSCAN_ERR_INSTRUMENT = -406,   /* an instrument step failed (the message names the step and its code) */
    VELSCAN_ERR_SCAN_TIMEOUT = -407, /* the instrument never reported the scan finished */
    VELSCAN_ERR_CLOSED = -408,       /* the instrument went away or was closed underneath */
    VELSCAN_ERR_NO_MEMORY = -409,    /* an allocation failed; nothing was changed */
    VELSCAN_ERR_IMPLAUSIBLE = -410,  /* the instrument reported an implausible value */
    VELSCAN_ERR_NULL_POINTER = -420, /* a required pointer argument was NULL */
    VELSCAN_ERR_BAD_HANDLE = -421,   /* the handle is closed, freed, of the other kind, or never was one */
    VELSCAN_ERR_BUFFER_TOO_SMALL = -422, /* the caller's buffer is smaller than the result; see *needed */
    VELSCAN_ERR_NOT_AVAILABLE = -423,    /* the spectrum has no such metadata key or values */
    VELSCAN_ERR_INTERNAL = -424          /* an unexpected failure inside the library; nothing was changed */
};

/* Which numbers velscan_spectrum_values returns, one per point. */
enum {
    VELSCAN_VALUES_INTENSITY = 0,   /* detector counts (always present) */
    VELSCAN_VALUES_REFERENCE = 1,   /* the white reference's counts W (after a reference is applied) */
    VELSCAN_VALUES_REFLECTANCE = 2, /* R = (S - D) / (W - D), no unit (after a reference is applied) */
    VELSCAN_VALUES_ABSORBANCE = 3   /* A = -log10 R, absorbance units (after a reference is applied) */
};

/* An open instrument. */
typedef struct velscan_device velscan_device;
/* A spectrum: wavelengths, values and metadata; immutable once handed out. */
typedef struct velscan_spectrum velscan_spectrum;

/*
 * Receives one diagnostic line (no line end, UTF-8, valid only during the
 * call) and the user pointer given to velscan_set_log. Called on the thread
 * whose call produced the line, possibly while the instrument lock is held:
 * it must not call back into this library.
 */
typedef void (*velscan_log_fn)(void *user, const char *line);

/* ---- Version, codes, diagnostics ------------------------------------- */

/*
 * The library's version as "MAJOR.MINOR.PATCH" (VELSCAN_VERSION_STRING of the
 * build that made the library; compare with the macros of velscan_version.h
 * to detect a header/library mismatch). Static text, never NULL, never
 * freed. Does not block.
 */
const char *velscan_version_string(void);

/*
 * Plain-words text for any code a function of this library returns (0
 * included), e.g. "the handle is closed, freed, of the other kind, or was
 * never handed out" for VELSCAN_ERR_BAD_HANDLE. An unknown code gives
 * "unknown error code". Static text, never NULL, never freed. Does not block.
 */
const char *velscan_strerror(int32_t code);

/*
 * The detailed message of the last call on this thread that failed (e.g.
 * "select configuration 7: VEL_ERR_SELECT_CONFIG (-15)"), or "" when the
 * last call on this thread succeeded. Owned by the library; valid until the
 * next call of this library on the same thread. Never NULL. Does not block.
 */
const char *velscan_last_error_message(void);

/*
 * Sends the library's diagnostic lines (what the layers below report while
 * they work: sizes of files fetched, device errors) to fn with user, or
 * nowhere when fn is NULL (the default). Applies to every thread from the
 * next line on. Returns VELSCAN_OK. Does not block.
 */
int32_t velscan_set_log(velscan_log_fn fn, void *user);

/* ---- Finding and opening instruments ---------------------------------- */

/*
 * Lists the instruments attached over USB (through the system's HID
 * library) as a JSON array, one object per HID interface found:
 *   {"index": 0, "serial": "VS260417", "vendor_id": 16151,
 *    "product_id": 19984, "path": "/dev/hidraw3"}
 * ("[]" when none is found: not an error). While instruments are open the
 * list is the table they were opened from, without a new enumeration (so
 * while virtual instruments are open, it lists those). Text out as
 * described at the top.
 * Returns VELSCAN_OK, VELSCAN_ERR_BUFFER_TOO_SMALL, VELSCAN_ERR_NULL_POINTER
 * (buffer NULL with size > 0), VELSCAN_ERR_NO_MEMORY, VELSCAN_ERR_INTERNAL,
 * VELSCAN_ERR_INSTRUMENT (the HID library cannot be initialised).
 * Blocks for the enumeration (milliseconds).
 */
int32_t velscan_list(char *buffer, size_t size, size_t *needed);

/*
 * Opens an instrument attached over USB: the one whose serial number is
 * `serial` (8 characters as listed, e.g. "VS260417"), or the first found
 * when serial is NULL or "" (the first not already open). Real and virtual
 * instruments cannot be open at the same time (VELSCAN_ERR_ARGUMENT). On
 * success *out is a new device handle, owned by the caller and released
 * with velscan_close.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER (out NULL),
 * VELSCAN_ERR_ARGUMENT (a virtual instrument is open),
 * VELSCAN_ERR_NOT_FOUND, VELSCAN_ERR_CANNOT_OPEN (also: already open) (the message carries the
 * system's reason, e.g. a permission failure: see contrib/70-velscan.rules),
 * VELSCAN_ERR_INSTRUMENT, VELSCAN_ERR_NO_MEMORY, VELSCAN_ERR_INTERNAL.
 * Blocks for enumeration, opening and a first exchange (milliseconds; up to
 * the 10 s reply time-out with an instrument that does not answer).
 */
int32_t velscan_open(const char *serial, velscan_device **out);

/*
 * Opens a virtual spectrometer, an in-process model of the instrument that
 * needs no hardware, with `sample` in front of its window: "white" (a white
 * standard, reflectance 0.99; also for NULL), "organic" (moist organic
 * material: water bands near 970 and 1450 nm), "emission" (narrow emission
 * lines, lamp light blocked) or "covered" (no light: a dark scan). The first
 * virtual instrument has serial VS260417; each further one opened while
 * others are open is a separate instrument with its own serial (VS260418,
 * VS260419, ...), sample and state; a closed one is used again before a new
 * one is added. At most four are open at once. *out as for velscan_open.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER (out NULL),
 * VELSCAN_ERR_ARGUMENT (unknown sample name, or a real instrument is open),
 * VELSCAN_ERR_CANNOT_OPEN (four already open), VELSCAN_ERR_INSTRUMENT, VELSCAN_ERR_NO_MEMORY,
 * VELSCAN_ERR_INTERNAL. Does not wait for real time (microseconds).
 */
int32_t velscan_open_virtual(const char *sample, velscan_device **out);

/*
 * Closes an instrument and releases its handle; the handle is invalid
 * afterwards, and closing it again returns VELSCAN_ERR_BAD_HANDLE. A call on
 * the same device running in another thread finishes first; the instrument
 * is closed when it returns. Spectra taken from the device stay valid.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER (dev NULL) or
 * VELSCAN_ERR_BAD_HANDLE. Blocks only while the instrument lock is held by
 * another call (milliseconds).
 */
int32_t velscan_close(velscan_device *dev);

/*
 * The device's serial number (8 characters, e.g. "VS260417"), as text out.
 * Does not talk to the instrument.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER, VELSCAN_ERR_BAD_HANDLE,
 * VELSCAN_ERR_BUFFER_TOO_SMALL.
 */
int32_t velscan_device_serial(const velscan_device *dev, char *buffer, size_t size, size_t *needed);

/* ---- Identity and stored configurations ------------------------------ */

/*
 * Reads the instrument's identity and state as one JSON object (text out):
 *   "serial", "model", "manufacturing_serial", "hardware_version",
 *   "firmware_version", "flash_unique_id" ("5A:17:..."): strings;
 *   "battery_volts" (V), "battery_percent" (0-100), "temperature_c" (deg C),
 *   "humidity_percent" (relative, 0-100), "lamp_hours" (h): numbers;
 *   "configurations": the array velscan_configurations returns.
 * Sensor readings change between calls, so the text's length can too: size
 * the buffer with some room (4096 bytes suffice for the factory
 * configurations), or query and call again until it fits.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER, VELSCAN_ERR_BAD_HANDLE,
 * VELSCAN_ERR_BUFFER_TOO_SMALL, VELSCAN_ERR_INSTRUMENT, VELSCAN_ERR_CLOSED,
 * VELSCAN_ERR_NO_MEMORY, VELSCAN_ERR_INTERNAL.
 * Blocks for about twenty exchanges with the instrument (tens of ms).
 */
int32_t velscan_info(velscan_device *dev, char *buffer, size_t size, size_t *needed);

/*
 * The configurations stored in the instrument, as a JSON array (text out) in
 * slot order, one object each:
 *   {"slot": 0, "name": "Column 228 900-1700 w6", "type": "column"
 *    ("column", "hadamard" or "multi"), "start_nm": 900, "end_nm": 1700,
 *    "points": 228, "average": 6,
 *    "sections": [{"type": "column", "start_nm": 900, "end_nm": 1700,
 *                  "width_px": 6, "points": 228, "exposure": 0}]}
 * The slot is what velscan_scan's config takes.
 * Returns and blocks as velscan_info (one exchange per slot).
 */
int32_t velscan_configurations(velscan_device *dev, char *buffer, size_t size, size_t *needed);

/* ---- Scans and references --------------------------------------------- */

/*
 * Takes one scan with the stored configuration in slot `config` (0 up to
 * the number stored - 1), averaging `average` scans (1 to 65535; 0 leaves
 * the instrument's setting as it is). Selects the configuration, sets the
 * averaging, starts the scan, waits its estimated time, confirms with the
 * instrument that it finished (so the previous scan's data is never
 * returned), fetches and interprets the record. On success *out is a new
 * spectrum (wavelengths in nm ascending, intensities in detector counts,
 * metadata: serial, model, config_slot, config_name, config_type,
 * start_time, estimated_scan_ms, average, gain, temperature_c,
 * humidity_percent, calibration coefficients, ...), owned by the caller and
 * released with velscan_spectrum_free.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER (out NULL),
 * VELSCAN_ERR_BAD_HANDLE, VELSCAN_ERR_ARGUMENT (config or average out of
 * range), VELSCAN_ERR_INSTRUMENT, VELSCAN_ERR_SCAN_TIMEOUT,
 * VELSCAN_ERR_IMPLAUSIBLE (an estimated scan time above an hour),
 * VELSCAN_ERR_CLOSED, VELSCAN_ERR_NO_MEMORY, VELSCAN_ERR_INTERNAL.
 * Blocks for the scan: its estimated time (about 0.3 s for the factory
 * configurations with one scan, growing with `average`) plus the transfer
 * of the record (tens of ms).
 */
int32_t velscan_scan(velscan_device *dev, int32_t config, int32_t average, velscan_spectrum **out);

/*
 * The white reference the instrument keeps, recomputed for the configuration
 * `scan` was taken with (scan must come from velscan_scan of an instrument;
 * any open device of the same instrument model serves). On success *out is
 * a new spectrum on the same wavelengths, its intensities the reference's
 * counts; released with velscan_spectrum_free. Pass it to
 * velscan_spectrum_apply_reference.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER, VELSCAN_ERR_BAD_HANDLE
 * (either handle), VELSCAN_ERR_ARGUMENT (scan carries no instrument record,
 * e.g. read from a CSV file), VELSCAN_ERR_INSTRUMENT, VELSCAN_ERR_CLOSED,
 * VELSCAN_ERR_NO_MEMORY, VELSCAN_ERR_INTERNAL.
 * Blocks for the transfer of three files from the instrument (about 0.1 s).
 */
int32_t velscan_reference(velscan_device *dev, const velscan_spectrum *scan, velscan_spectrum **out);

/*
 * Reflectance and absorbance of `scan` against a white `reference` and an
 * optional `dark` scan (NULL: no dark, D = 0): a new spectrum *out with
 * scan's wavelengths, intensities and metadata plus the values
 * VELSCAN_VALUES_REFERENCE (W), _REFLECTANCE (R = (S - D) / (W - D)) and
 * _ABSORBANCE (A = -log10 R). Where W - D is not above 1% of its largest
 * value, R and A are masked; where R <= 0, A is masked. Masked values are
 * NaN; they are never clamped, and their count is the metadata key
 * "masked_points". reference and dark must have the scan's point count and
 * wavelengths (within 0.001 nm). The inputs are not changed; *out is
 * released with velscan_spectrum_free. Does not block.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER (scan, reference or out NULL),
 * VELSCAN_ERR_BAD_HANDLE, VELSCAN_ERR_MISMATCH, VELSCAN_ERR_NO_MEMORY,
 * VELSCAN_ERR_INTERNAL.
 */
int32_t velscan_spectrum_apply_reference(const velscan_spectrum *scan, const velscan_spectrum *reference,
                                         const velscan_spectrum *dark, velscan_spectrum **out);

/* ---- Spectra ----------------------------------------------------------- */

/*
 * The number of points in *points (at most 854; 228 for the factory
 * configurations). Does not block.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER, VELSCAN_ERR_BAD_HANDLE.
 */
int32_t velscan_spectrum_points(const velscan_spectrum *spectrum, size_t *points);

/*
 * The wavelengths in nm, ascending, one per point, into out (arrays out, see
 * top). Does not block.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER, VELSCAN_ERR_BAD_HANDLE,
 * VELSCAN_ERR_BUFFER_TOO_SMALL.
 */
int32_t velscan_spectrum_wavelengths(const velscan_spectrum *spectrum, double *out, size_t count);

/*
 * One kind of values (VELSCAN_VALUES_*), one per point, in wavelength order,
 * into out (arrays out, see top). Masked reflectance or absorbance values
 * are NaN. Does not block.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER, VELSCAN_ERR_BAD_HANDLE,
 * VELSCAN_ERR_ARGUMENT (unknown kind), VELSCAN_ERR_NOT_AVAILABLE (reference,
 * reflectance or absorbance of a spectrum without a reference applied),
 * VELSCAN_ERR_BUFFER_TOO_SMALL.
 */
int32_t velscan_spectrum_values(const velscan_spectrum *spectrum, int32_t kind, double *out, size_t count);

/*
 * The metadata value stored under `key` (lower-case snake_case, e.g.
 * "serial", "config_slot", "start_time", "masked_points"), as text out.
 * Does not block.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER (spectrum or key NULL),
 * VELSCAN_ERR_BAD_HANDLE, VELSCAN_ERR_NOT_AVAILABLE (no such key),
 * VELSCAN_ERR_BUFFER_TOO_SMALL.
 */
int32_t velscan_spectrum_metadata(const velscan_spectrum *spectrum, const char *key, char *buffer,
                                  size_t size, size_t *needed);

/*
 * The number of metadata entries in *count; with velscan_spectrum_metadata_key
 * the entries can be walked in their stored order. Does not block.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER, VELSCAN_ERR_BAD_HANDLE.
 */
int32_t velscan_spectrum_metadata_count(const velscan_spectrum *spectrum, size_t *count);

/*
 * The key of metadata entry `index` (0 to count - 1), as text out. Does not
 * block.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER, VELSCAN_ERR_BAD_HANDLE,
 * VELSCAN_ERR_ARGUMENT (index not below the count),
 * VELSCAN_ERR_BUFFER_TOO_SMALL.
 */
int32_t velscan_spectrum_metadata_key(const velscan_spectrum *spectrum, size_t index, char *buffer,
                                      size_t size, size_t *needed);

/*
 * Writes the spectrum to the file `path` in `format`: "csv" (metadata lines
 * "# key: value", a header line, one row per point; empty cells where
 * masked), "json", "jcamp" (JCAMP-DX 4.24; also "jdx", "dx"), "raw" (the
 * instrument's record exactly as received) or "wide" (one row appended to a
 * file of one row per scan; the header is written when the file is new).
 * NULL format: chosen from the name's ending (.csv .json .jdx .dx .jcamp
 * .raw .tpl), CSV when none matches. A single file is written to a temporary
 * file in the same folder and renamed over path, so a failure leaves no
 * partial file and an existing file untouched; a wide row is appended whole.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER (spectrum or path NULL),
 * VELSCAN_ERR_BAD_HANDLE, VELSCAN_ERR_ARGUMENT (unknown format name; raw for
 * a spectrum without an instrument record), VELSCAN_ERR_MISMATCH (a wide
 * file with other wavelength columns), VELSCAN_ERR_OUTPUT_FILE (the file or
 * its folder cannot be written, the disk is full), VELSCAN_ERR_NO_MEMORY,
 * VELSCAN_ERR_INTERNAL. Blocks for the file system (milliseconds).
 */
int32_t velscan_spectrum_write(const velscan_spectrum *spectrum, const char *path, const char *format);

/*
 * Reads a spectrum from a file written by velscan (CSV, JSON, or a raw
 * instrument record, recognised by content, not name; at most 16 MiB). On
 * success *out is a new spectrum released with velscan_spectrum_free.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER (path or out NULL),
 * VELSCAN_ERR_INPUT_FILE (unreadable, too large or malformed; the message
 * names the line or field), VELSCAN_ERR_NO_MEMORY, VELSCAN_ERR_INTERNAL.
 * Blocks for the file system (milliseconds).
 */
int32_t velscan_spectrum_read(const char *path, velscan_spectrum **out);

/*
 * Releases a spectrum; the handle is invalid afterwards and freeing it again
 * returns VELSCAN_ERR_BAD_HANDLE. A call reading the same spectrum in
 * another thread finishes safely first. Does not block.
 * Returns VELSCAN_OK, VELSCAN_ERR_NULL_POINTER, VELSCAN_ERR_BAD_HANDLE.
 */
int32_t velscan_spectrum_free(velscan_spectrum *spectrum);

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_VELSCAN_H */
