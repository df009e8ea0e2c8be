// The log text of each libcurl result, as the product team reads it in logs.
#include "CLibcurlTool.h"

#include "platform/log.h"

namespace {

const char* ErrorText(int code) {
  switch (code) {
    case 1: return " ProtoControl Unsupport!";
    case 2: return " Init Failed!";
    case 3: return " Curl RemotePath Error";
    case 4: return " libcurl InitFailed，Please Try again!";
    case 5: return " Cannt resovlve proxy!";
    case 6: return " cannt resovlve server!";
    case 7: return " Curl Connect Server Error";
    case 8: return " FTP服务器非法回复";
    case 9: return " Acess Denied!";
    case 10: return " FTP连接失败";
    case 11: return " FTP服务器未知回复";
    case 12: return " FTP连接超时";
    case 13:
    case 14: return " Curl unknow error!";
    case 15: return " 内部故障";
    case 16: return " HTTP2错误";
    case 17: return " FTP获取传输类型失败";
    case 18: return " 服务器返回文件大小非法";
    case 22: return " HTTP请求错误";
    case 23: return " 接收数据错误";
    case 25: return " 上传数据错误";
    case 26: return " 本地文件读取错误";
    case 27: return " 内存不足";
    case 28: return " Curl Time out";
    case 30: return " FTP端口失败";
    case 33: return " 请求的数据范围错误";
    default: return nullptr;
  }
}

}  // namespace

int CLibcurlTool::figureError(CURLcode code) {
  if (const char* text = ErrorText(static_cast<int>(code))) {
    CWLOG << text;
  } else {
    CWLOG << " Curl Else Error: " << static_cast<int>(code);
  }
  return 1;
}
