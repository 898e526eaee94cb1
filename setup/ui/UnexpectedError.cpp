#include "ui/UnexpectedError.h"

#include <windows.h>

#include <new>

#include "system/IoError.h"
#include "ui/Application.h"

namespace kestra {

namespace {

bool reported = false;

}  // namespace

std::string UnexpectedErrorReason(std::exception_ptr error) {
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

void ReportUnexpectedError() noexcept {
  try {
    if (!reported) {
      reported = true;
      Application.Show({Msg::UnexpectedError, {UnexpectedErrorReason(std::current_exception())}});
    }
  } catch (...) {
    // Not even the message could be made (no memory left): end all the same.
  }
  Application.Terminate();
}

}  // namespace kestra
