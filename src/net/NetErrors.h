#pragma once

#include <string>

namespace hostaq {

// Socket errors carry the Windows Sockets numbers, so texts, logs and the result classes of the
// callers read the same on every platform.
inline constexpr int WsaEIntr = 10004;
inline constexpr int WsaEBadF = 10009;
inline constexpr int WsaEAcces = 10013;
inline constexpr int WsaEFault = 10014;
inline constexpr int WsaEInval = 10022;
inline constexpr int WsaEMFile = 10024;
inline constexpr int WsaEWouldBlock = 10035;
inline constexpr int WsaEInProgress = 10036;
inline constexpr int WsaEAlready = 10037;
inline constexpr int WsaENotSock = 10038;
inline constexpr int WsaEDestAddrReq = 10039;
inline constexpr int WsaEMsgSize = 10040;
inline constexpr int WsaEProtoType = 10041;
inline constexpr int WsaENoProtoOpt = 10042;
inline constexpr int WsaEProtoNoSupport = 10043;
inline constexpr int WsaESocktNoSupport = 10044;
inline constexpr int WsaEOpNotSupp = 10045;
inline constexpr int WsaEPfNoSupport = 10046;
inline constexpr int WsaEAfNoSupport = 10047;
inline constexpr int WsaEAddrInUse = 10048;
inline constexpr int WsaEAddrNotAvail = 10049;
inline constexpr int WsaENetDown = 10050;
inline constexpr int WsaENetUnreach = 10051;
inline constexpr int WsaENetReset = 10052;
inline constexpr int WsaEConnAborted = 10053;
inline constexpr int WsaEConnReset = 10054;
inline constexpr int WsaENoBufs = 10055;
inline constexpr int WsaEIsConn = 10056;
inline constexpr int WsaENotConn = 10057;
inline constexpr int WsaEShutdown = 10058;
inline constexpr int WsaETooManyRefs = 10059;
inline constexpr int WsaETimedOut = 10060;
inline constexpr int WsaEConnRefused = 10061;
inline constexpr int WsaELoop = 10062;
inline constexpr int WsaENameTooLong = 10063;
inline constexpr int WsaEHostDown = 10064;
inline constexpr int WsaEHostUnreach = 10065;
inline constexpr int WsaENotEmpty = 10066;
inline constexpr int WsaEUsers = 10068;
inline constexpr int WsaEDQuot = 10069;
inline constexpr int WsaEStale = 10070;
inline constexpr int WsaERemote = 10071;
inline constexpr int WsaSysNotReady = 10091;
inline constexpr int WsaHostNotFound = 11001;
inline constexpr int WsaTryAgain = 11002;
inline constexpr int WsaNoRecovery = 11003;
inline constexpr int WsaNoData = 11004;

// The text of a socket error or an SMTP reply code; only the low 16 bits of the code count.
// Codes outside the table give "Unknown Error".
std::string GetNetErrorDesc(int code);

// The socket error for an errno value of a socket call.
int SocketErrorFromErrno(int err);
// The socket error for a getaddrinfo() result other than 0.
int SocketErrorFromResolver(int gaiError, int err);

} // namespace hostaq
