/* Records exchanged with the spectrometer, their limits, scan and record
 * types, and the status codes of the spectral library.
 *
 * Every record is a plain fixed-size structure without pointers, laid out by
 * natural alignment: the serialization engine computes the address of every
 * field of a mapped record by the same rule, so these layouts are part of the
 * image contract. The static assertions at the end pin them.
 *
 * This header compiles as C and as C++. */
#ifndef VELSCAN_VELSPEC_RECORDS_H
#define VELSCAN_VELSPEC_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Limits ------------------------------------------------------------ */

#define SCAN_MAX_ADC 864    /* ADC arrays, result wavelength/intensity */
#define SLEW_MAX_SECTIONS 5 /* section slots of a slewScanCfg */
#define SCAN_NAME_LEN 20
#define SCAN_TIME_LEN 7
#define CONFIG_NAME_LEN 40
#define SERIAL_NUMBER_LEN 8
#define CALIB_COEFFS_LEN 3

#define DMD_NUM_COLUMNS 854 /* columns 0 .. 853 */
#define DMD_MAX_COLUMN 853
#define DMD_REFERENCE_COLUMN 426 /* origin of band-width conversions */

#define COL_MAX_PATTERNS 624     /* center columns of a colPatDef */
#define HAD_MAX_GROUP_POINTS 284 /* bands of one hadPatGroup */
#define HAD_MAX_GROUPS 16        /* group slots of a hadPatDef */
#define HAD_MAX_SPACING 15       /* largest spacing tried, so at most 15 groups */
#define SMATRIX_MAX_ORDER 251    /* largest stored S-matrix order */
#define SMATRIX_LOOKUP_LEN 252   /* g_matrix_lookup entries, orders 0 .. 251 */
#define SMATRIX_NUM_ORDERS 29

#define REF_MATRIX_WIDTHS 19
#define REF_MATRIX_WAVELENGTHS 50

/* ---- Scan types (scan_type, section_scan_type) ---------------------------- */

#define SCAN_TYPE_COLUMN 0
#define SCAN_TYPE_HADAMARD 1
#define SCAN_TYPE_SLEW 2

/* ---- Record types: each selects one format string and its fixed lengths - */

typedef enum recordType {
    REC_SCAN_DATA = 0,      /* whole scanData */
    REC_SCAN_CFG = 1,       /* whole scanCfg */
    REC_CALIB_COEFFS = 2,   /* calibCoeffSet */
    REC_REF_MATRIX = 3,     /* refMatrix */
    REC_SLEW_CFG_HEAD = 4,  /* fields 1-6 of a slewScanCfg */
    REC_SLEW_SECTIONS = 5,  /* the five sections of a slewScanCfg */
    REC_SLEW_DATA_HEAD = 6, /* scan header of a slewScanData */
    REC_ADC_DATA = 7,       /* an adc_data array */
    REC_NUM_TYPES = 8
} recordType;

/* Encoded image size of every record type (header, format string, one count
 * per '#', data). Every image of a type has this size. */
#define VELSPEC_IMG_SIZE_SCAN_DATA 3701
#define VELSPEC_IMG_SIZE_SCAN_CFG 91
#define VELSPEC_IMG_SIZE_CALIB_COEFFS 72
#define VELSPEC_IMG_SIZE_REF_MATRIX 2354
#define VELSPEC_IMG_SIZE_SLEW_CFG_HEAD 82
#define VELSPEC_IMG_SIZE_SLEW_SECTIONS 73
#define VELSPEC_IMG_SIZE_SLEW_DATA_HEAD 160
#define VELSPEC_IMG_SIZE_ADC_DATA 3471
#define VELSPEC_IMG_SIZE_SLEW_SCAN_DATA 3786 /* 160 + 82 + 73 + 3471 */
#define VELSPEC_IMG_SIZE_SLEW_CFG 155        /* 82 + 73 */

/* ---- Status codes --------------------------------------------------------- */

#define VELSPEC_OK 0
#define VELSPEC_ERR_FAILED (-1)    /* check failed or no solution */
#define VELSPEC_ERR_BAD_INPUT (-2) /* argument or record value out of range */
#define VELSPEC_ERR_NO_MEMORY (-3) /* allocation failed or buffer too small */
#define VELSPEC_ERR_SERIALIZE (-4) /* map, pack, dump or load failed */
#define VELSPEC_ERR_BAD_TYPE (-5)  /* scan type other than 0, 1, 2 */
#define VELSPEC_ERR_NULL (-6)      /* required pointer is null */

/* ---- Records -------------------------------------------------------------- */

typedef struct calibCoeffSet {
    double shift_vector_coeffs[CALIB_COEFFS_LEN];        /* per-row column shift */
    double pixel_to_wavelength_coeffs[CALIB_COEFFS_LEN]; /* c0 + c1 x + c2 x^2 */
} calibCoeffSet;

typedef struct scanCfg {
    uint8_t scan_type; /* 0 column, 1 Hadamard */
    uint16_t config_index;
    char serial_number[SERIAL_NUMBER_LEN];
    char config_name[CONFIG_NAME_LEN];
    uint16_t wavelength_start_nm;
    uint16_t wavelength_end_nm;
    uint8_t width_px;
    uint16_t num_patterns;
    uint16_t num_repeats;
} scanCfg;

typedef struct slewScanSection {
    uint8_t section_scan_type; /* 0 column, 1 Hadamard */
    uint8_t width_px;
    uint16_t wavelength_start_nm;
    uint16_t wavelength_end_nm;
    uint16_t num_patterns;
    uint16_t exposure_time; /* code, see velspec_scan_get_exp_time_us */
} slewScanSection;

typedef struct slewScanCfg {
    uint8_t scan_type; /* 2 */
    uint16_t config_index;
    char serial_number[SERIAL_NUMBER_LEN];
    char config_name[CONFIG_NAME_LEN];
    uint16_t num_repeats;
    uint8_t num_sections; /* 1 .. 5 */
    slewScanSection sections[SLEW_MAX_SECTIONS];
} slewScanCfg;

/* The scan header opens scanData, slewScanData and scanResults with the same
 * fields at the same offsets. It is written out in each record rather than
 * nested: a nested structure would be padded to 8 bytes and move the inline
 * configuration of scanData away from the offset its image requires. */

typedef struct scanData {
    /* scan header */
    uint32_t header_version; /* 1 */
    char scan_name[SCAN_NAME_LEN];
    uint8_t scan_time[SCAN_TIME_LEN];
    int16_t system_temp_hundredths;
    int16_t aux_reading_signed;
    uint16_t humidity_hundredths;
    uint16_t aux_reading_unsigned;
    uint32_t device_tag;
    calibCoeffSet calibration_coeffs;
    char serial_number[SERIAL_NUMBER_LEN];
    uint16_t adc_data_length; /* valid entries of adc_data, blacks included */
    uint8_t black_pattern_first;
    uint8_t black_pattern_period;
    uint8_t pga_gain;
    /* the configuration, inline, in scanCfg's order */
    uint8_t scan_type;
    uint16_t config_index;
    char cfg_serial_number[SERIAL_NUMBER_LEN];
    char config_name[CONFIG_NAME_LEN];
    uint16_t wavelength_start_nm;
    uint16_t wavelength_end_nm;
    uint8_t width_px;
    uint16_t num_patterns;
    uint16_t num_repeats;
    int32_t adc_data[SCAN_MAX_ADC];
} scanData;

typedef struct slewScanData {
    /* scan header */
    uint32_t header_version;
    char scan_name[SCAN_NAME_LEN];
    uint8_t scan_time[SCAN_TIME_LEN];
    int16_t system_temp_hundredths;
    int16_t aux_reading_signed;
    uint16_t humidity_hundredths;
    uint16_t aux_reading_unsigned;
    uint32_t device_tag;
    calibCoeffSet calibration_coeffs;
    char serial_number[SERIAL_NUMBER_LEN];
    uint16_t adc_data_length;
    uint8_t black_pattern_first;
    uint8_t black_pattern_period;
    uint8_t pga_gain;
    slewScanCfg cfg;
    int32_t adc_data[SCAN_MAX_ADC]; /* all sections, blacks interleaved */
} slewScanData;

/* What velspec_scan_read_data decoded into a uScanData. Any other value of
 * decoded_as (a record built by hand) makes the type query fall back to the
 * overlay byte test. */
#define VELSPEC_DECODED_SINGLE 0x53434E31u /* from a single-section image */
#define VELSPEC_DECODED_SLEW 0x53434E32u   /* from a multi-section image */

/* The two raw-data views overlaid. slew.cfg.scan_type shares its byte with
 * the low-order byte of data.config_index. decoded_as lies after both views,
 * so it never disturbs the overlay. */
typedef struct uScanData {
    union {
        scanData data;
        slewScanData slew;
    };
    uint32_t decoded_as;
} uScanData;

typedef struct scanResults {
    /* scan header (adc_data_length, black_pattern_first and
     * black_pattern_period stay 0) */
    uint32_t header_version;
    char scan_name[SCAN_NAME_LEN];
    uint8_t scan_time[SCAN_TIME_LEN];
    int16_t system_temp_hundredths;
    int16_t aux_reading_signed;
    uint16_t humidity_hundredths;
    uint16_t aux_reading_unsigned;
    uint32_t device_tag;
    calibCoeffSet calibration_coeffs;
    char serial_number[SERIAL_NUMBER_LEN];
    uint16_t adc_data_length;
    uint8_t black_pattern_first;
    uint8_t black_pattern_period;
    uint8_t pga_gain;
    slewScanCfg cfg; /* always multi-section form, scan_type 2 */
    double wavelength[SCAN_MAX_ADC];
    int32_t intensity[SCAN_MAX_ADC];
    int32_t length; /* valid points */
} scanResults;

typedef struct refMatrix {
    uint8_t widths[REF_MATRIX_WIDTHS]; /* ascending */
    double wavelengths[REF_MATRIX_WAVELENGTHS];
    uint16_t ref_intensities[REF_MATRIX_WIDTHS][REF_MATRIX_WAVELENGTHS];
} refMatrix;

/* Column pattern definition of one column scan or section. */
typedef struct colPatDef {
    uint16_t num_patterns; /* at most COL_MAX_PATTERNS */
    uint16_t width_px;
    uint16_t center_column[COL_MAX_PATTERNS];
} colPatDef;

/* One group of a Hadamard definition: bands lit together never touch. */
typedef struct hadPatGroup {
    uint16_t num_columns; /* bands in the group */
    uint16_t paley_order; /* order of the group's S-matrix */
    uint16_t point_index[HAD_MAX_GROUP_POINTS];
    uint16_t center_column[HAD_MAX_GROUP_POINTS];
} hadPatGroup;

typedef struct hadPatDef {
    uint16_t num_patterns; /* sum of the groups' paley_order */
    uint16_t width_px;
    uint8_t num_groups; /* 1 .. 15, also the spacing of the points */
    hadPatGroup groups[HAD_MAX_GROUPS];
} hadPatDef;

/* ---- Layout checks -------------------------------------------------------- */

#ifdef __cplusplus
#define VELSPEC_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define VELSPEC_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

VELSPEC_STATIC_ASSERT(sizeof(calibCoeffSet) == 48, "calibCoeffSet layout");
VELSPEC_STATIC_ASSERT(sizeof(scanCfg) == 62, "scanCfg layout");
VELSPEC_STATIC_ASSERT(offsetof(scanCfg, num_repeats) == 60, "scanCfg layout");
VELSPEC_STATIC_ASSERT(sizeof(slewScanSection) == 10, "slewScanSection layout");
VELSPEC_STATIC_ASSERT(offsetof(slewScanCfg, num_sections) == 54, "slewScanCfg head");
VELSPEC_STATIC_ASSERT(offsetof(slewScanCfg, sections) == 56, "slewScanCfg sections");
VELSPEC_STATIC_ASSERT(sizeof(slewScanCfg) == 106, "slewScanCfg layout");
VELSPEC_STATIC_ASSERT(offsetof(scanData, calibration_coeffs) == 48, "header layout");
VELSPEC_STATIC_ASSERT(offsetof(scanData, pga_gain) == 108, "header layout");
VELSPEC_STATIC_ASSERT(offsetof(scanData, scan_type) == 109, "inline cfg follows pga_gain");
VELSPEC_STATIC_ASSERT(offsetof(scanData, config_index) == 110, "inline cfg layout");
VELSPEC_STATIC_ASSERT(offsetof(scanData, adc_data) == 172, "scanData layout");
VELSPEC_STATIC_ASSERT(sizeof(scanData) == 3632, "scanData layout");
VELSPEC_STATIC_ASSERT(offsetof(slewScanData, pga_gain) == 108, "header layout");
VELSPEC_STATIC_ASSERT(offsetof(slewScanData, cfg) == 110, "cfg.scan_type overlays config_index");
VELSPEC_STATIC_ASSERT(offsetof(slewScanData, adc_data) == 216, "slewScanData layout");
VELSPEC_STATIC_ASSERT(sizeof(slewScanData) == 3672, "slewScanData layout");
VELSPEC_STATIC_ASSERT(offsetof(uScanData, decoded_as) == 3672, "uScanData layout");
VELSPEC_STATIC_ASSERT(sizeof(uScanData) == 3680, "uScanData layout");
VELSPEC_STATIC_ASSERT(offsetof(scanResults, pga_gain) == 108, "header layout");
VELSPEC_STATIC_ASSERT(offsetof(scanResults, cfg) == 110, "scanResults layout");
VELSPEC_STATIC_ASSERT(offsetof(scanResults, wavelength) == 216, "scanResults layout");
VELSPEC_STATIC_ASSERT(offsetof(scanResults, length) == 10584, "scanResults layout");
VELSPEC_STATIC_ASSERT(offsetof(refMatrix, wavelengths) == 24, "refMatrix layout");
VELSPEC_STATIC_ASSERT(offsetof(refMatrix, ref_intensities) == 424, "refMatrix layout");
VELSPEC_STATIC_ASSERT(sizeof(refMatrix) == 2328, "refMatrix layout");

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_VELSPEC_RECORDS_H */
