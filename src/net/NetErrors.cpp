#include "net/NetErrors.h"

#include <cerrno>
#include <netdb.h>
#include <unordered_map>

namespace hostaq {

namespace {

const std::unordered_map<int, const char*>& DescTable() {
    static const std::unordered_map<int, const char*> table{
        // SMTP replies
        {211, "System status, or system help reply"},
        {214, "Help message"},
        {220, "The service ready"},
        {221, "The service closing transmission channel"},
        {250, "Requested mail action okay, completed"},
        {251, "User not local"},
        {354, "Start mail input"},
        {421, "The service not available, closing transmission channel"},
        {450, "Requested mail action not taken: mailbox unavailable"},
        {451, "Requested action aborted: local error in processing"},
        {452, "Requested action not taken: insufficient system storage"},
        {500, "Syntax error, command unrecognized"},
        {501, "Syntax error in parameters or arguments"},
        {502, "Command not implemented"},
        {503, "Bad sequence of commands"},
        {504, "Command parameter not implemented"},
        {535, "Authentication failed"},
        {550, "Requested action not taken: mailbox unavailable"},
        {551, "User not local"},
        {552, "Requested mail action aborted: exceeded storage allocation"},
        {553, "Requested action not taken: mailbox name not allowed"},
        {554, "Transaction failed"},
        // socket errors
        {10004, "Interrupted system call"},
        {10009, "Bad file number"},
        {10013, "Permission denied"},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open files"},
        {10035, "Operation would block"},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"},
        {10042, "Bad protocol option / protocol not available"},
        {10043, "Protocol not suppported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"},
        {10049, "Can't assign requested address"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Network dropped connection on reset"},
        {10053, "Software caused connection abort"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references, can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No route to host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc quota exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network subsystem is unavailable"},
        {10092, "Winsock.dll version out of range"},
        {10093, "Successful WSASTARTUP not yet performed"},
        {11001, "Host not found"},
        {11002, "Non-authoritative host not found"},
        {11003, "Non-recoverable error"},
        {11004, "Valid name, no data record for requested name"},
    };
    return table;
}

} // namespace

std::string GetNetErrorDesc(int code) {
    const auto& table = DescTable();
    auto it = table.find(code & 0xFFFF);
    return it == table.end() ? "Unknown Error" : it->second;
}

int SocketErrorFromErrno(int err) {
    switch (err) {
    case 0:
        return 0;
    case EINTR:
        return WsaEIntr;
    case EBADF:
        return WsaEBadF;
    case EACCES:
    case EPERM:
        return WsaEAcces;
    case EFAULT:
        return WsaEFault;
    case EINVAL:
        return WsaEInval;
    case EMFILE:
    case ENFILE:
        return WsaEMFile;
    case EAGAIN:
        return WsaEWouldBlock;
    case EINPROGRESS:
        return WsaEInProgress;
    case EALREADY:
        return WsaEAlready;
    case ENOTSOCK:
        return WsaENotSock;
    case EDESTADDRREQ:
        return WsaEDestAddrReq;
    case EMSGSIZE:
        return WsaEMsgSize;
    case EPROTOTYPE:
        return WsaEProtoType;
    case ENOPROTOOPT:
        return WsaENoProtoOpt;
    case EPROTONOSUPPORT:
        return WsaEProtoNoSupport;
    case ESOCKTNOSUPPORT:
        return WsaESocktNoSupport;
    case EOPNOTSUPP:
        return WsaEOpNotSupp;
    case EPFNOSUPPORT:
        return WsaEPfNoSupport;
    case EAFNOSUPPORT:
        return WsaEAfNoSupport;
    case EADDRINUSE:
        return WsaEAddrInUse;
    case EADDRNOTAVAIL:
        return WsaEAddrNotAvail;
    case ENETDOWN:
        return WsaENetDown;
    case ENETUNREACH:
        return WsaENetUnreach;
    case ENETRESET:
        return WsaENetReset;
    case ECONNABORTED:
        return WsaEConnAborted;
    case ECONNRESET:
    case EPIPE:
        return WsaEConnReset;
    case ENOBUFS:
    case ENOMEM:
        return WsaENoBufs;
    case EISCONN:
        return WsaEIsConn;
    case ENOTCONN:
        return WsaENotConn;
    case ESHUTDOWN:
        return WsaEShutdown;
    case ETOOMANYREFS:
        return WsaETooManyRefs;
    case ETIMEDOUT:
        return WsaETimedOut;
    case ECONNREFUSED:
        return WsaEConnRefused;
    case ELOOP:
        return WsaELoop;
    case ENAMETOOLONG:
        return WsaENameTooLong;
    case EHOSTDOWN:
        return WsaEHostDown;
    case EHOSTUNREACH:
        return WsaEHostUnreach;
    case ENOTEMPTY:
        return WsaENotEmpty;
    case EUSERS:
        return WsaEUsers;
    case EDQUOT:
        return WsaEDQuot;
    case ESTALE:
        return WsaEStale;
    case EREMOTE:
        return WsaERemote;
    default:
        return WsaSysNotReady;
    }
}

int SocketErrorFromResolver(int gaiError, int err) {
    switch (gaiError) {
    case 0:
        return 0;
    case EAI_NONAME:
        return WsaHostNotFound;
    case EAI_AGAIN:
        return WsaTryAgain;
    case EAI_FAIL:
        return WsaNoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return WsaNoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return WsaNoData;
#endif
    case EAI_SERVICE:
        return WsaEInval;
    case EAI_MEMORY:
        return WsaENoBufs;
    case EAI_SYSTEM:
        return SocketErrorFromErrno(err);
    default:
        return WsaNoRecovery;
    }
}

} // namespace hostaq
