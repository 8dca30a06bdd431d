<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ko_KR">
<context>
    <name>TChartSave</name>
    <message>
        <source>PNG 그림 (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>SVG 그림 (*.svg)</source>
        <translation>SVG image (*.svg)</translation>
    </message>
    <message>
        <source>그래프 저장</source>
        <translation>Save chart</translation>
    </message>
    <message>
        <source>그래프를 저장하지 못했습니다.
</source>
        <translation>The chart could not be saved.
</translation>
    </message>
</context>
<context>
    <name>TChartEarlierPasses</name>
    <message>
        <source>%1회차</source>
        <translation>Pass %1</translation>
    </message>
</context>
<context>
    <name>TResultSave</name>
    <message>
        <source>결과 저장</source>
        <translation>Save result</translation>
    </message>
    <message>
        <source>결과 파일 (*.json)</source>
        <translation>Result files (*.json)</translation>
    </message>
    <message>
        <source>결과를 저장하지 못했습니다.</source>
        <translation>The result could not be saved.</translation>
    </message>
</context>
<context>
    <name>TChartOverlay</name>
    <message>
        <source>%1 %2회차</source>
        <translation>%1 pass %2</translation>
    </message>
    <message>
        <source>결과 불러오기</source>
        <translation>Load a result</translation>
    </message>
    <message>
        <source>결과 파일 (*.json)</source>
        <translation>Result files (*.json)</translation>
    </message>
    <message>
        <source>파일을 읽지 못했습니다.</source>
        <translation>The file could not be read.</translation>
    </message>
    <message>
        <source>결과 파일이 아닙니다.
</source>
        <translation>This is not a result file.
</translation>
    </message>
</context>
<context>
    <name>TSpeedChart</name>
    <message>
        <source>남은 용량 (%)</source>
        <translation>Free space left (%)</translation>
    </message>
    <message>
        <source>속도 (MiB/s)</source>
        <translation>Speed (MiB/s)</translation>
    </message>
    <message>
        <source>온도 (°C)</source>
        <translation>Temperature (°C)</translation>
    </message>
    <message>
        <source>구간 평균</source>
        <translation>Phase mean</translation>
    </message>
</context>
<context>
    <name>TfMain</name>
    <message>
        <source>그래프 저장...</source>
        <translation>Save chart...</translation>
    </message>
    <message>
        <source>결과 저장...</source>
        <translation>Save result...</translation>
    </message>
    <message>
        <source>결과 불러와 겹쳐 보기...</source>
        <translation>Overlay a saved result...</translation>
    </message>
    <message>
        <source>겹친 결과 지우기</source>
        <translation>Remove overlaid results</translation>
    </message>
    <message>
        <source>속도 : </source>
        <translation>Speed : </translation>
    </message>
    <message>
        <source>현재 파일 : </source>
        <translation>Current file : </translation>
    </message>
    <message>
        <source>일시정지</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>취소하기</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>이전 + 현재 회차</source>
        <translation>Earlier + current pass</translation>
    </message>
    <message>
        <source>현재 회차</source>
        <translation>Current pass</translation>
    </message>
    <message>
        <source>구간 속도</source>
        <translation>Write speed</translation>
    </message>
    <message>
        <source>읽기 속도</source>
        <translation>Read speed</translation>
    </message>
    <message>
        <source>평균 속도 50%</source>
        <translation>50% of average speed</translation>
    </message>
    <message>
        <source>재개</source>
        <translation>Resume</translation>
    </message>
</context>
<context>
    <name>TfSetting</name>
    <message>
        <source>설정</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>시험할 드라이브 : </source>
        <translation>Drive to test : </translation>
    </message>
    <message>
        <source>드라이브의 폴더 선택</source>
        <translation>Choose a folder on the drive</translation>
    </message>
    <message>
        <source>남은 용량 : </source>
        <translation>Free space : </translation>
    </message>
    <message>
        <source>남길 용량 : </source>
        <translation>Leave : </translation>
    </message>
    <message>
        <source>속도 기록 단위 : </source>
        <translation>Log speed every : </translation>
    </message>
    <message>
        <source>윈도 캐시 효과 적용</source>
        <translation>Write through the page cache (buffered writes)</translation>
    </message>
    <message>
        <source>무한 반복 진행</source>
        <translation>Repeat forever</translation>
    </message>
    <message>
        <source>시작</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>종료 후 파일 삭제</source>
        <translation>Delete the files at the end</translation>
    </message>
    <message>
        <source>쓰기 후 검증</source>
        <translation>Verify after writing</translation>
    </message>
    <message>
        <source>패스가 드라이브를 채운 뒤 쓴 파일을 모두 다시 읽어 모든 바이트를 확인합니다.
가짜 용량 드라이브와 바뀐 데이터를 찾아냅니다.</source>
        <translation>After a pass has filled the drive, reads back every file it wrote and checks every byte.
Catches drives with a fake capacity and changed data.</translation>
    </message>
    <message>
        <source>상세 로그 저장</source>
        <translation>Detailed log</translation>
    </message>
    <message>
        <source>로그 저장</source>
        <translation>Save log</translation>
    </message>
    <message>
        <source>시험할 폴더</source>
        <translation>Folder to test</translation>
    </message>
    <message>
        <source>알 수 없음</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>드라이브 : %1
쓸 용량 : %2

실행 중인 시스템이 있는 드라이브입니다.
가득 채우면 다른 프로그램이 멈추거나 실패할 수 있습니다.
시작하시겠습니까?</source>
        <translation>Drive : %1
To be written : %2

This drive holds the running system.
Filling it can make other programs hang or fail.
Start anyway?</translation>
    </message>
    <message>
        <source>예</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>아니요</source>
        <translation>No</translation>
    </message>
    <message>
        <source>%1
이 파일이 없습니다.
새로 만드시겠습니까?</source>
        <translation>%1
This file does not exist.
Create it?</translation>
    </message>
    <message>
        <source>로그 저장 위치</source>
        <translation>Where to save the log</translation>
    </message>
    <message>
        <source>상세 로그 저장 위치</source>
        <translation>Where to save the detailed log</translation>
    </message>
</context>
</TS>
