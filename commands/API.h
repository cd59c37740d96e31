/* Device command set: one blocking function per device command.
 *
 * Each function packs its arguments into one command frame, exchanges it with
 * the device through the framing layer and decodes the reply. Results are
 * signed 32-bit: 0 or a non-negative value on success, a negative code on
 * failure (the framing codes -1 to -5 unless stated). A reply shorter than
 * what a read decodes is refused with -4 (ZOR_GetSNRData and
 * ZOR_GetPhotoDetector report every failure as -1). Out-parameters are
 * written only on success. The USB device must be open (USB_Open) first.
 *
 * Texts (serial number, names) take only the bytes the reply holds: a reply
 * that ends inside the field is followed by a zero byte there.
 *
 * Not reentrant: all commands share the framing layer's buffers. */
#ifndef VELSCAN_API_H
#define VELSCAN_API_H

#include <stdint.h>

#include "velspec_records.h" /* calibCoeffSet */

#ifdef __cplusplus
extern "C" {
#endif

/* Device files, the argument of ZOR_GetFileSizeToRead. */
#define ZOR_FILE_SCAN_DATA 0   /* serialized data of the last scan */
#define ZOR_FILE_REFCAL_DATA 2 /* stored reference calibration scan */
#define ZOR_FILE_MATRIX_DATA 3 /* reference calibration matrix */

#define ZOR_FILE_PIECE_MAX 576     /* bytes of one downloaded piece */
#define ZOR_WRITE_PIECE_USB 504    /* bytes of one uploaded piece over USB */
#define ZOR_WRITE_PIECE_UART 212   /* ... over the serial link */
#define ZOR_SCAN_CFG_IMAGE_MAX 572 /* largest image ZOR_GetScanCfg can copy */
#define ZOR_APPLY_CFG_PAYLOAD 124  /* ZOR_ApplyScanConfig image limit */
#define ZOR_SAVE_CFG_IMAGE_MAX 123 /* ZOR_SaveScanCfgInDevice image limit */
#define ZOR_SCAN_NAME_TAG_LEN 14
#define ZOR_ERROR_STATUS_LEN 20
#define ZOR_ERROR_TEXT_MAX 26 /* longest message text with its zero */

/* Set when the device is reached over a serial link: its file pieces carry
 * two trailing bytes that are not file data, and uploads are smaller. */
extern uint8_t g_UARTConnected;
int32_t ZOR_SetUARTConnected(uint8_t connected);

/* File transfer. */
int32_t ZOR_GetFlashChecksum(uint32_t *checksum);
int32_t ZOR_WriteFileData(const uint8_t *data, uint32_t len);
int32_t ZOR_SetFileSizeAndAction(uint32_t size, uint32_t action);
int32_t ZOR_GetFileSizeToRead(uint32_t fileType);
/* piece must hold ZOR_FILE_PIECE_MAX bytes. */
int32_t ZOR_GetFileData(uint8_t *piece, uint32_t *pieceLen);
/* Fetch size bytes of the file named by the last ZOR_GetFileSizeToRead into
 * dest (never more than size): the bytes received, -1 when dest is null. */
int32_t ZOR_GetFile(uint8_t *dest, int32_t size);
int32_t ZOR_GotoMivoBootLoader(void);

/* Hardware self-tests and switches. */
int32_t ZOR_TestEEPROM(void);
int32_t ZOR_TestADC(void);
int32_t ZOR_TestBQ(uint32_t *value0, uint32_t *value1, uint32_t *value2, uint32_t *value3, uint32_t *value4);
int32_t ZOR_TestSDRAM(void);
int32_t ZOR_VELCEnable(uint8_t enable, uint8_t secondFlag);
int32_t ZOR_TestTMP(void);
int32_t ZOR_TestHDC(void);
int32_t ZOR_TestBT(uint8_t on);
int32_t ZOR_TestLED(uint8_t value);
int32_t ZOR_ButtonTestRd(uint8_t *state);
int32_t ZOR_ButtonTestWr(uint8_t enable);
int32_t ZOR_EEPROM_CalTest(void);

/* Scanning, configuration, calibration and identity. */
int32_t ZOR_GetVersion(uint32_t *version0, uint32_t *version1, uint32_t *version2, uint32_t *version3,
                       uint32_t *version4, uint32_t *version5, uint32_t *version6);
int32_t ZOR_PerformScan(uint8_t option);
int32_t ZOR_GetScanComplete(void);
int32_t ZOR_ResetMivo(void);
int32_t ZOR_SetPGAGain(uint8_t gain);
int32_t ZOR_SetVELCReg(uint32_t reg, uint32_t value);
int32_t ZOR_GetVELCReg(uint32_t reg, uint32_t *value);
/* image of at most ZOR_APPLY_CFG_PAYLOAD bytes. */
int32_t ZOR_ApplyScanConfig(const uint8_t *image, int32_t len);
/* image of at most ZOR_SAVE_CFG_IMAGE_MAX bytes. */
int32_t ZOR_SaveScanCfgInDevice(uint8_t index, const uint8_t *image, uint32_t len);
/* image must hold ZOR_SCAN_CFG_IMAGE_MAX bytes. */
int32_t ZOR_GetScanCfg(uint8_t index, uint8_t *image, uint32_t *len);
int32_t ZOR_EraseAllScanCfg(void);
int32_t ZOR_GetNumScanCfg(void);
int32_t ZOR_GetActiveScanIndex(void);
int32_t ZOR_SetActiveScanIndex(uint8_t index);
int32_t ZOR_SetScanControlsVELCOnOff(uint8_t on);
int32_t ZOR_setScanSubImage(uint16_t first, uint16_t second);
int32_t ZOR_SendEEPROMWipe(uint8_t flagA, uint8_t flagB, uint8_t flagC);
int32_t ZOR_GetPGAGain(void);
/* Send or read the wavelength calibration coefficients as a calibration
 * image. ZOR_GetCalibStruct returns -4, leaving *coeffs as it was, when the
 * image does not decode. */
int32_t ZOR_SendCalibStruct(const calibCoeffSet *coeffs);
int32_t ZOR_GetCalibStruct(calibCoeffSet *coeffs);
int32_t ZOR_StartSNRScan(void);
int32_t ZOR_GetSNRData(uint32_t *value0, uint32_t *value1, uint32_t *value2);
int32_t ZOR_GenCalibPatterns(uint32_t value);
int32_t ZOR_SetScanNumRepeats(uint16_t repeats);
int32_t ZOR_StartHadSNRScan(void);
int32_t ZOR_SaveRefCalPerformed(void);
/* serial: 8 bytes sent as they stand. */
int32_t ZOR_SetSerialNumber(const char *serial);
/* Copies up to 8 bytes, stopping after the first zero byte (or where the
 * reply ends, followed by a zero byte). */
int32_t ZOR_GetSerialNumber(char *serial);
/* name of at most 14 bytes; a shorter name is followed by a zero byte. */
int32_t ZOR_SetScanNameTag(const char *name, int32_t len);
int32_t ZOR_EEPROMMass_Erase(void);
int32_t ZOR_GetEstimatedScanTime(void);
int32_t ZOR_InterpretScan(void);
int32_t ZOR_WriteBleDispName(const char *name); /* 24 bytes */
int32_t ZOR_ReadBleDispName(char *name);        /* 24 bytes */
int32_t ZOR_ReadLampUsage(uint64_t *usage);

/* Clock, power, environment and identity. */
int32_t ZOR_ReadHum(uint32_t *humidity, uint32_t *temperature);
int32_t ZOR_SetDateTime(uint8_t value0, uint8_t value1, uint8_t value2, uint8_t value3, uint8_t value4,
                        uint8_t value5, uint8_t value6);
int32_t ZOR_ReadBattVolt(uint32_t *voltage, uint32_t *percent, uint32_t *third);
int32_t ZOR_ReadMivoTemp(uint32_t *temp);
int32_t ZOR_GetDateTime(uint8_t *value0, uint8_t *value1, uint8_t *value2, uint8_t *value3, uint8_t *value4,
                        uint8_t *value5, uint8_t *value6);
int32_t ZOR_HibernateMode(void);
int32_t ZOR_SetHibernate(uint8_t on);
int32_t ZOR_GetHibernate(void);
int32_t ZOR_GetManufacturingSerNum(char *serial); /* 20 bytes */
int32_t ZOR_SaveModelName(const char *name);      /* 16 bytes */
int32_t ZOR_ReadModelName(char *name);            /* 16 bytes */
/* text: 8 bytes. */
int32_t ZOR_ReadHWVersion(char *text, uint32_t *first, uint32_t *second);
int32_t ZOR_GetFlashUniqueID(uint8_t id[8]);

/* Status, errors and maintenance. */
int32_t ZOR_GetPhotoDetector(uint32_t *value0, uint32_t *value1, uint32_t *value2);
int32_t ZOR_ReadDeviceStatus(uint32_t *status);
int32_t ZOR_ReadErrorStatus(uint8_t *status); /* 20 bytes */
int32_t ZOR_ResetErrorStatus(void);
int32_t ZOR_GetSpecificErrorStatus(uint32_t type);
int32_t ZOR_GetSpecificErrorcode(uint8_t type);
int32_t ZOR_ClearSpecificError(uint32_t type);
int32_t ZOR_UpdateRefCalDataWithWORefl(void);
int32_t ZOR_EraseVelcorFlash(void);
int32_t ZOR_SetFixedPGAGain(uint8_t fixed, uint8_t gain);

/* Message texts of the device's subsystem error codes. Each writes the text
 * and its terminating zero (at most 20 bytes, 26 for SDC) and returns 0. */
int32_t ZOR_TMP_GetErrorMessageFromErrorCode(uint32_t code, char *text);
int32_t ZOR_HDC_GetErrorMessageFromErrorCode(uint32_t code, char *text);
int32_t ZOR_ADC_GetErrorMessageFromErrorCode(uint32_t code, char *text);
int32_t ZOR_SDC_GetErrorMessageFromErrorCode(uint32_t code, char *text);

#ifdef __cplusplus
}
#endif

#endif
