#include "survey_files/survey_model.h"

#include "survey_files/data_file_rescue.h"
#include "survey_files/data_file_shortened.h"

ProgramSettingsRecord ProgramSettings;
SystemSetupRecord SystemSetup;
ArrayGeometryRecord ArrayGeometry;
GpsPortSetupRecord GpsPortSetup;
GpsWarningMaskRecord GpsWarningMask;
SurveyParametersRecord SurveyParameters;
MapDisplayOptionsRecord MapDisplayOptions;
ProfileDisplayOptionsRecord ProfileDisplayOptions;
ReadingsScaleRecord ReadingsScale;
SpeedBarRecord SpeedBar;
AudioOptionsRecord AudioOptions;
BackgroundFileOptionsRecord BackgroundFileOptions;
DataFileStateRecord DataFileState;
GpsFixRecord GpsFix;
GpsSentenceBufferRecord GpsSentenceBuffer;
GpsSentenceFormatRecord GpsSentenceFormat;
ConsoleLinesRecord ConsoleLines;
LogScreenStateRecord LogScreenState;
ScreenWindowsRecord ScreenWindows;
ScreenLayoutRecord ScreenLayout;
MapTilesRecord MapTiles;
ScreenButtonsRecord ScreenButtons;
MapViewRecord MapView;
BackgroundFilesRecord BackgroundFiles;
ProfileTraceRecord ProfileTrace;

// Console road records.
SurveyProgressRecord SurveyProgress;
SensorLayoutRecord SensorLayout;
ReadingSamplesRecord ReadingSamples;
SerialPortsRecord SerialPorts;
ReaderThreadsRecord ReaderThreads;
GdiObjectsRecord GdiObjects;
ColourScaleRecord ColourScale;

void ResetSurveyModel() {
    ProgramSettings = ProgramSettingsRecord{};
    SystemSetup = SystemSetupRecord{};
    ArrayGeometry = ArrayGeometryRecord{};
    GpsPortSetup = GpsPortSetupRecord{};
    GpsWarningMask = GpsWarningMaskRecord{};
    SurveyParameters = SurveyParametersRecord{};
    MapDisplayOptions = MapDisplayOptionsRecord{};
    ProfileDisplayOptions = ProfileDisplayOptionsRecord{};
    ReadingsScale = ReadingsScaleRecord{};
    SpeedBar = SpeedBarRecord{};
    AudioOptions = AudioOptionsRecord{};
    BackgroundFileOptions = BackgroundFileOptionsRecord{};
    EndRescueCopyThread();  // it reads and writes the files closed below
    {
        std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
        if (DataFileState.DataFileHandle != plat::kInvalidFile) plat::CloseFile(DataFileState.DataFileHandle);
        DataFileState.DataFileHandle = plat::kInvalidFile;
        DataFileState.DataFilePath[0] = 0;
        DataFileState.DataFileBaseName[0] = 0;
        DataFileState.ConsoleRecordTag = {};
        DataFileState.RecordStartTick = 0;
        DataFileState.RecordStarting = 0;
        DataFileState.WriteError = 0;
        DataFileState.WriteErrorShown = 0;
        DataFileState.LostDataFilePath[0] = 0;
        DataFileState.NameLoss = 0;
        DataFileState.RescuePending = 0;
        if (DataFileState.RescueFileHandle != plat::kInvalidFile) plat::CloseFile(DataFileState.RescueFileHandle);
        DataFileState.RescueFileHandle = plat::kInvalidFile;
        DataFileState.RescueFilePath[0] = 0;
        DataFileState.RescueFolder = 0;
        ForgetKeptRescueFile();
        DataFileState.EndRefused = 0;
        ForgetHeldRecordsLocked();
        DataFileState.UnseenLooks = 0;
        DataFileState.NameLookError = 0;
        DataFileState.WrittenSize = 0;
        DataFileState.ShortenedBytes = 0;
        DataFileState.FlushError = 0;
        DataFileState.WriteFailError = 0;
        DataFileState.OpenedExisting = 0;
    }
    GpsFix = GpsFixRecord{};
    // GPS road.
    GpsSentenceBuffer.GpsLastSentence[0] = 0;
    GpsSentenceBuffer.GpsWholeSentence[0] = 0;
    GpsSentenceBuffer.GpsSentenceTick = 0;
    GpsSentenceBuffer.GpsLineReady = 0;
    GpsSentenceBuffer.GpsMonitorText[0] = 0;
    GpsSentenceBuffer.GpsCommandText[0] = 0;
    GpsSentenceBuffer.GpsConnectionBroken = 0;
    GpsSentenceFormat = GpsSentenceFormatRecord{};
    for (int i = 0; i < kMaxConsoles; ++i) {
        ConsoleLines.ConsoleConnBreak[i] = 0;
        ConsoleLines.ConsoleBreakLogged[i] = 0;
        ConsoleLines.ConsoleLine[i][0] = 0;
        ConsoleLines.ConsoleLineTick[i] = 0;
        ConsoleLines.ConsoleLineWaitMs[i] = 0;
        ConsoleLines.ConsoleMinLineLength[i] = 0;
        ConsoleLines.ReadingValid[i] = 0;
    }
    ConsoleLines.ConsoleTimeoutMs = 1000;
    SurveyProgress = SurveyProgressRecord{};
    SensorLayout = SensorLayoutRecord{};
    ReadingSamples = ReadingSamplesRecord{};
    for (auto& h : SerialPorts.ConsolePortHandle) {
        const plat::SerialHandle open = h.exchange(plat::kInvalidSerial);
        if (open != plat::kInvalidSerial) plat::CloseSerialPort(open);
    }
    const plat::SerialHandle gps = SerialPorts.GpsPortHandle.exchange(plat::kInvalidSerial);
    if (gps != plat::kInvalidSerial) plat::CloseSerialPort(gps);
    ReaderThreads.ConsoleThreadHandle = {};
    ReaderThreads.GpsThreadHandle = 0;
    for (auto& state : ReaderThreads.ConsoleReaderState) state = 0;
    ReaderThreads.GpsReaderState = 0;
    ReaderThreads.GpsReaderRun = 0;
    ReaderThreads.GpsSimulatorRun = 0;
    ReaderThreads.ConsoleSimulatorRun = 0;
    ReaderThreads.SimulateConsoles = 0;
    ReaderThreads.SimulateGps = 0;
    ReaderThreads.SimulatePositions = 0;
    ReaderThreads.GpsMonitorHold = 0;
    GdiObjects = GdiObjectsRecord{};
    ColourScale = ColourScaleRecord{};
    LogScreenState.LoggingState = kStateMonitoring;
    LogScreenState.UiIdle = 1;
    LogScreenState.MapOverflowState = 0;
    LogScreenState.MapShown = 0;
    LogScreenState.ReviewMode = 0;
    ScreenWindows = ScreenWindowsRecord{};
    ScreenLayout = ScreenLayoutRecord{};
    MapTiles = MapTilesRecord{};
    ScreenButtons = ScreenButtonsRecord{};
    MapView = MapViewRecord{};
    BackgroundFiles = BackgroundFilesRecord{};
    ProfileTrace = ProfileTraceRecord{};
}
