/* Message framing: builds command frames, cuts them into 64-byte reports,
 * collects reply frames and turns reply status into result codes.
 *
 * Frame (both directions, little-endian): flags, sequence, 16-bit length of
 * what follows the 4-byte header, body. A command body starts with the
 * 16-bit command code; a reply body is the reply data.
 *
 * A command is named by its identifier: command code << 8 | data length.
 *
 * Not reentrant: OutputBuffer, InputBuffer and seqNum are shared by every
 * exchange, so a reply must be decoded before the next command starts. */
#ifndef VELSCAN_FRAMING_H
#define VELSCAN_FRAMING_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZOR_OUTPUT_BUFFER_SIZE 65 /* report ID + 64 frame bytes */
#define ZOR_INPUT_BUFFER_SIZE 580 /* reply header + at most 576 payload bytes */
#define ZOR_MAX_REPLY_PAYLOAD 576
#define ZOR_FRAME_HEADER_SIZE 4
#define ZOR_MAX_WRITE_DATA 512
/* A write command's message buffer: header, command code, data. */
#define ZOR_MSG_BUFFER_SIZE (ZOR_FRAME_HEADER_SIZE + 2 + ZOR_MAX_WRITE_DATA)
/* Most reports discarded before a command; bounds a device that floods. */
#define ZOR_MAX_DISCARDED_REPORTS 256

#define ZOR_FLAGS_READ 0xC0u
#define ZOR_FLAGS_WRITE 0x40u

/* Exchange result codes. */
#define ZOR_ERR_TRANSPORT (-1) /* write failed or a read returned an error */
#define ZOR_ERR_STATUS3 (-2)   /* reply status bits are 3 */
#define ZOR_ERR_STATUS2 (-3)   /* reply status bits are 2 */
#define ZOR_ERR_REJECTED (-4)  /* status 1, empty or malformed reply */
#define ZOR_ERR_TIMEOUT (-5)   /* no report within the transport's time-out */

extern uint8_t OutputBuffer[ZOR_OUTPUT_BUFFER_SIZE];
extern uint8_t InputBuffer[ZOR_INPUT_BUFFER_SIZE];
extern uint8_t seqNum;

/* Read command without data in OutputBuffer (0x1501 carries one byte 0). */
int32_t ZOR_PrepReadCmd(uint32_t identifier);
/* Read command whose data is the 32-bit parameter, in OutputBuffer. */
int32_t ZOR_PrepReadCmdWithParam(uint32_t identifier, uint32_t parameter);
/* Fill header and command code of a write command in msg (at least
 * ZOR_MSG_BUFFER_SIZE bytes); takes and advances seqNum. */
int32_t ZOR_PrepWriteCmd(uint8_t *msg, uint32_t identifier);
/* Send OutputBuffer as one report: the transport's result. */
int32_t ZOR_Write(void);
/* Send a write command in as many reports as it needs: 4 + body bytes
 * covered, or -1. A length field beyond the message buffer is refused. */
int32_t ZOR_SendMsg(const uint8_t *msg);
/* Send the prepared read command and collect the whole reply into
 * InputBuffer: the byte count received, or -1 to -5. */
int32_t ZOR_Read(void);
/* Collect one acknowledgement report: its 32-bit value when it carries 4
 * payload bytes, 0 otherwise, or -1 to -5. */
int32_t ZOR_GetAck(void);
/* Discard input reports already waiting (a late reply to an earlier command),
 * at most ZOR_MAX_DISCARDED_REPORTS. Returns the count discarded. Called by
 * ZOR_Read and ZOR_SendMsg before they send. */
int32_t ZOR_DiscardPendingInput(void);

#ifdef __cplusplus
}
#endif

#endif
