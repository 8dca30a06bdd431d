#include "report/Tester.View.h"

#include "text/Text.Catalogue.h"

void TTesterView::ShowLogError(const std::string& Path, int Code, const std::string& SystemText) {
  ShowError(Localized("로그 파일에 쓰지 못했습니다. 파일에 빠진 줄이 있습니다.") + "\n" +
            Localized("파일 : {0}", Path) + "\n" +
            Localized("{0} (코드 {1})", SystemText, std::to_string(Code)));
}

void TTesterView::AddChartTemperature(double, double) {}

void TTesterView::ShowChartPhases(const std::vector<TChartPhase>&) {}
