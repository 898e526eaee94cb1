#include "ui/UnexpectedError.h"

#include <windows.h>

#include <new>

#include "script/BigIni.h"
#include "ui/Application.h"

namespace kestra {

namespace {

std::string Reason(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    return "メモリが不足しています。";
  } catch (const EInOutError& e) {
    return std::string("ファイルの読み書きに失敗しました: ") + e.what();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "原因不明のエラー";
  }
}

bool reported = false;

}  // namespace

std::string UnexpectedErrorMessage(std::exception_ptr error) {
  return std::string(kUnexpectedErrorText) + "\r\n\r\n(" + Reason(error) + ")";
}

void ReportUnexpectedError() noexcept {
  try {
    if (!reported) {
      reported = true;
      Application.MessageBox(UnexpectedErrorMessage(std::current_exception()),
                             kUnexpectedErrorCaption, MB_OK | MB_ICONERROR);
    }
  } catch (...) {
    // Not even the message could be made (no memory left): end all the same.
  }
  Application.Terminate();
}

}  // namespace kestra
