#include "engine/loader/MediaErrorText.h"

#include "engine/loader/MediaHeaders.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace vidrelo {

namespace {

// Tagged codes are the negated four tag bytes, first byte lowest. Pin the
// values: a code written to a log years ago must still read the same.
static_assert(FFERRTAG(0xF8, 'M', 'U', 'X') == -1481985528);
static_assert(FFERRTAG(0xF8, 'S', 'T', 'R') == -1381258232);
static_assert(FFERRTAG(0xF8, 'P', 'R', 'O') == -1330794744);
static_assert(FFERRTAG(0xF8, 'D', 'E', 'M') == -1296385272);
static_assert(FFERRTAG(0xF8, 'F', 'I', 'L') == -1279870712);
static_assert(FFERRTAG(0xF8, 'B', 'S', 'F') == -1179861752);
static_assert(FFERRTAG('P', 'A', 'W', 'E') == -1163346256);
static_assert(FFERRTAG(0xF8, 'E', 'N', 'C') == -1129203192);
static_assert(FFERRTAG(0xF8, 'D', 'E', 'C') == -1128613112);
static_assert(FFERRTAG('I', 'N', 'D', 'A') == -1094995529);
static_assert(FFERRTAG('E', 'O', 'F', ' ') == -541478725);

// Current libraries report end of input and bad input with tagged codes
// rather than the system numbers the table was first written for; both
// spellings must give the same text.
constexpr char kEndOfFile[] = "End of file";
constexpr char kInvalidData[] = "Invalid argument / Invalid data found when processing input";

// One row per message. Twin is the Winsock number that shares it (0: none);
// system numbers follow Linux, which is also what AVERROR() yields here.
struct TRow {
    int Code;
    int Twin;
    const char* Message;
};

constexpr TRow kRows[] = {
    {FFERRTAG(0xF8, 'M', 'U', 'X'), 0, "Muxer not found"},
    {FFERRTAG(0xF8, 'S', 'T', 'R'), 0, "Stream not found"},
    {FFERRTAG(0xF8, 'P', 'R', 'O'), 0, "Protocol not found"},
    {FFERRTAG(0xF8, 'D', 'E', 'M'), 0, "Demuxer not found"},
    {FFERRTAG(0xF8, 'F', 'I', 'L'), 0, "Filter not found"},
    {FFERRTAG(0xF8, 'B', 'S', 'F'), 0, "Bitstream filter not found"},
    {FFERRTAG('P', 'A', 'W', 'E'), 0, "Not yet implemented in FFmpeg"},
    {FFERRTAG(0xF8, 'E', 'N', 'C'), 0, "Encoder not found"},
    {FFERRTAG(0xF8, 'D', 'E', 'C'), 0, "Decoder not found"},
    {FFERRTAG('I', 'N', 'D', 'A'), 0, kInvalidData},
    {FFERRTAG('E', 'O', 'F', ' '), 0, kEndOfFile},

    {-1, 0, "Operation not permitted"},
    {-2, 0, "No such file or directory"},
    {-3, 0, "No such process"},
    {-4, -10004, "Interrupted function call"},
    {-5, 0, "I/O error"},
    {-6, 0, "No such device or address"},
    {-7, 0, "Argument list too long"},
    {-8, 0, "Exec format error"},
    {-9, -10009, "Bad file number"},
    {-10, 0, "No child processes"},
    {-11, 0, "Resource temporarily unavailable / Try again"},
    {-12, 0, "Not enough space / Out of memory"},
    {-13, -10013, "Permission denied"},
    {-14, -10014, "Bad address"},
    {-15, 0, "Block device required"},
    {-16, 0, "Device or resource busy"},
    {-17, 0, "File exists"},
    {-18, 0, "Cross-device link"},
    {-19, 0, "No such device"},
    {-20, 0, "Not a directory"},
    {-21, 0, "Is a directory"},
    {-22, -10022, kInvalidData},
    {-23, 0, "Too many open files in system / File table overflow"},
    {-24, -10024, "Too many open files"},
    {-25, 0, "Inappropriate I/O control operation / Not a typewriter"},
    {-26, 0, "Text file busy"},
    {-27, 0, "File too large"},
    {-28, 0, "No space left on device"},
    {-29, 0, "Illegal seek"},
    {-30, 0, "Read-only file system"},
    {-31, 0, "Too many links"},
    {-32, 0, kEndOfFile},
    {-33, 0, "Number syntax expected in filename"},
    {-34, 0, "Math result not representable"},
    {-35, 0, "Resource deadlock would occur"},
    {-36, -10063, "File name too long"},
    {-37, 0, "No record locks available"},
    {-38, 0, "Function not implemented"},
    {-39, -10066, "Directory not empty"},
    {-40, -10062, "Too many symbolic links encountered"},
    {-42, 0, "Unknown format"},
    {-43, 0, "Identifier removed"},
    {-44, 0, "Channel number out of range"},
    {-45, 0, "Level 2 not synchronized"},
    {-46, 0, "Level 3 halted"},
    {-47, 0, "Level 3 reset"},
    {-48, 0, "Link number out of range"},
    {-49, 0, "Protocol driver not attached"},
    {-50, 0, "No CSI structure available"},
    {-51, 0, "Level 2 halted"},
    {-52, 0, "Invalid exchange"},
    {-53, 0, "Invalid request descriptor"},
    {-54, 0, "Exchange full"},
    {-55, 0, "No anode"},
    {-56, 0, "Invalid request code"},
    {-57, 0, "Invalid slot"},
    {-59, 0, "Bad font file format"},
    {-60, 0, "Device not a stream"},
    {-61, 0, "No data available"},
    {-62, 0, "Timer expired"},
    {-63, 0, "Out of streams resources"},
    {-64, 0, "Machine is not on the network"},
    {-65, 0, "Package not installed"},
    {-66, -10071, "Object is remote"},
    {-67, 0, "Link has been severed"},
    {-68, 0, "Advertise error"},
    {-69, 0, "Srmount error"},
    {-70, 0, "Communication error on send"},
    {-71, 0, "Protocol error"},
    {-72, 0, "Multihop attempted"},
    {-73, 0, "RFS specific error"},
    {-74, 0, "Not a data message"},
    {-75, 0, "Value too large for defined data type"},
    {-76, 0, "Name not unique on network"},
    {-77, 0, "File descriptor in bad state"},
    {-78, 0, "Remote address changed"},
    {-79, 0, "Can not access a needed shared library"},
    {-80, 0, "Accessing a corrupted shared library"},
    {-81, 0, ".lib section in a.out corrupted"},
    {-82, 0, "Attempting to link in too many shared libraries"},
    {-83, 0, "Cannot exec a shared library directly"},
    {-84, 0, "Illegal byte sequence"},
    {-85, 0, "Interrupted system call should be restarted"},
    {-86, 0, "Streams pipe error"},
    {-87, -10068, "Too many users"},
    {-88, -10038, "Socket operation on non-socket"},
    {-89, -10039, "Destination address required"},
    {-90, -10040, "Message too long"},
    {-91, -10041, "Protocol wrong type for socket"},
    {-92, -10042, "Protocol not available"},
    {-93, -10043, "Protocol not supported"},
    {-94, -10044, "Socket type not supported"},
    {-95, -10045, "Operation not supported on transport endpoint"},
    {-96, -10046, "Protocol family not supported"},
    {-97, -10047, "Address family not supported by protocol"},
    {-98, -10048, "Address already in use"},
    {-99, -10049, "Cannot assign requested address"},
    {-100, -10050, "Network is down"},
    {-101, -10051, "Network is unreachable"},
    {-102, -10052, "Network dropped connection because of reset"},
    {-103, -10053, "Software caused connection abort"},
    {-104, -10054, "Connection reset by peer"},
    {-105, -10055, "No buffer space available"},
    {-106, -10056, "Transport endpoint is already connected"},
    {-107, -10057, "Transport endpoint is not connected"},
    {-108, -10058, "Cannot send after transport endpoint shutdown"},
    {-109, -10059, "Too many references: cannot splice"},
    {-110, -10060, "Connection timed out"},
    {-111, -10061, "Connection refused"},
    {-112, -10064, "Host is down"},
    {-113, -10065, "No route to host"},
    {-114, -10037, "Operation already in progress"},
    {-115, -10036, "Operation now in progress"},
    {-116, -10070, "Stale NFS file handle"},
    {-117, 0, "Structure needs cleaning"},
    {-118, 0, "Not a XENIX named type file"},
    {-119, 0, "No XENIX semaphores available"},
    {-120, 0, "Is a named type file"},
    {-121, 0, "Remote I/O error"},
    {-122, -10069, "Quota exceeded"},
    {-123, 0, "No medium found"},
    {-124, 0, "Wrong medium type"},
    {-125, 0, "Operation Canceled"},
    {-126, 0, "Required key not available"},
    {-127, 0, "Key has expired"},
    {-128, 0, "Key has been revoked"},
    {-129, 0, "Key was rejected by service"},
    {-130, 0, "Owner died"},
    {-131, 0, "State not recoverable"},

    // Winsock codes with no system counterpart read as their own names.
    {-10035, 0, "WSAEWOULDBLOCK"},
    {-10067, 0, "WSAEPROCLIM"},
    {-10091, 0, "WSASYSNOTREADY"},
    {-10092, 0, "WSAVERNOTSUPPORTED"},
    {-10093, 0, "WSANOTINITIALISED"},
    {-10101, 0, "WSAEDISCON"},
    {-10102, 0, "WSAENOMORE"},
    {-10103, 0, "WSAECANCELLED"},
    {-10104, 0, "WSAEINVALIDPROCTABLE"},
    {-10105, 0, "WSAEINVALIDPROVIDER"},
    {-10106, 0, "WSAEPROVIDERFAILEDINIT"},
    {-10107, 0, "WSASYSCALLFAILURE"},
    {-10108, 0, "WSASERVICE_NOT_FOUND"},
    {-10109, 0, "WSATYPE_NOT_FOUND"},
    {-10110, 0, "WSA_E_NO_MORE"},
    {-10111, 0, "WSA_E_CANCELLED"},
    {-10112, 0, "WSAEREFUSED"},
    {-11001, 0, "WSAHOST_NOT_FOUND"},
    {-11002, 0, "WSATRY_AGAIN"},
    {-11003, 0, "WSANO_RECOVERY"},
    {-11004, 0, "WSANO_DATA"},
};

constexpr std::size_t CountCodes()
{
    std::size_t n = 0;
    for (const TRow& row : kRows)
        n += row.Twin != 0 ? 2 : 1;
    return n;
}

// Flattened to one entry per code and sorted at compile time, so the rows
// above can stay grouped the way people read them.
constexpr auto BuildTable()
{
    std::array<TMediaErrorEntry, CountCodes()> table{};
    std::size_t i = 0;
    for (const TRow& row : kRows) {
        table[i++] = {row.Code, row.Message};
        if (row.Twin != 0)
            table[i++] = {row.Twin, row.Message};
    }
    std::sort(table.begin(), table.end(),
              [](const TMediaErrorEntry& a, const TMediaErrorEntry& b) { return a.Code < b.Code; });
    return table;
}

constexpr auto kTable = BuildTable();

// A code listed twice would make the lookup pick one of its messages at random.
static_assert(std::adjacent_find(kTable.begin(), kTable.end(),
                                 [](const TMediaErrorEntry& a, const TMediaErrorEntry& b) {
                                     return a.Code == b.Code;
                                 }) == kTable.end(),
              "duplicate error code");

}  // namespace

std::span<const TMediaErrorEntry> MediaErrorTable()
{
    return kTable;
}

const char* MediaErrorMessage(int ACode)
{
    const auto it = std::lower_bound(kTable.begin(), kTable.end(), ACode,
                                     [](const TMediaErrorEntry& e, int code) { return e.Code < code; });
    if (it == kTable.end() || it->Code != ACode)
        return nullptr;
    return it->Message;
}

std::string MediaErrorText(const std::string& APrefix, int ACode)
{
    if (const char* message = MediaErrorMessage(ACode))
        return APrefix + ": " + message;
    return APrefix + ": Error number " + std::to_string(ACode) + " occurred";
}

}  // namespace vidrelo
