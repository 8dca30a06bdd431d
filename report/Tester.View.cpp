#include "report/Tester.View.h"

void TTesterView::ShowLogError(const std::string& Path, int Code, const std::string& SystemText) {
  ShowError("로그 파일에 쓰지 못했습니다. 파일에 빠진 줄이 있습니다.\n파일 : " + Path + "\n" +
            SystemText + " (코드 " + std::to_string(Code) + ")");
}
