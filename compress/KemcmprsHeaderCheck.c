/* Compiles the public header as strict C99, so it stays usable from C programs. Built with
 * the library, linked into nothing. */
#include "kemcmprs.h"

typedef int32_t(KEMCMPRS_CALL* KemCompressFunction)(const char*, const char*, const void*, int32_t);
typedef int32_t(KEMCMPRS_CALL* KemUnCompressFunction)(const char*, const char*);
typedef int32_t(KEMCMPRS_CALL* KemGetCompressMemoFunction)(const char*, char*);

int KemcmprsHeaderCheck(void);

int KemcmprsHeaderCheck(void) {
    KemCompressFunction compress = KemCompress;
    KemUnCompressFunction unCompress = KemUnCompress;
    KemGetCompressMemoFunction getMemo = KemGetCompressMemo;
    return compress != 0 && unCompress != 0 && getMemo != 0 && KEMCMPRS_MAX_MEMO_LENGTH == 127;
}
