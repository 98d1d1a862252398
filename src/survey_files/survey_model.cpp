#include "survey_files/survey_model.h"

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
ConsoleLinesRecord ConsoleLines;
LogScreenStateRecord LogScreenState;
ScreenWindowsRecord ScreenWindows;
ScreenLayoutRecord ScreenLayout;
MapTilesRecord MapTiles;

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
    {
        std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
        if (DataFileState.DataFileHandle != plat::kInvalidFile) plat::CloseFile(DataFileState.DataFileHandle);
        DataFileState.DataFileHandle = plat::kInvalidFile;
        DataFileState.DataFilePath[0] = 0;
        DataFileState.DataFileBaseName[0] = 0;
        DataFileState.ConsoleRecordTag = {};
        DataFileState.RecordStartTick = 0;
        DataFileState.WriteError = 0;
        DataFileState.WriteErrorShown = 0;
    }
    GpsFix = GpsFixRecord{};
    for (int i = 0; i < kMaxConsoles; ++i) {
        ConsoleLines.ConsoleConnBreak[i] = 0;
        ConsoleLines.ConsoleBreakLogged[i] = 0;
    }
    LogScreenState.LoggingState = 0;
    ScreenWindows = ScreenWindowsRecord{};
    ScreenLayout = ScreenLayoutRecord{};
    MapTiles = MapTilesRecord{};
}
