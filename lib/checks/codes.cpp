// Texts of the unit status codes and target error codes, English and
// Japanese, exactly as the unit's documentation words them (trailing blanks
// are part of the texts).
#include "checks/codes.h"

namespace qmr::checks {

namespace {
struct Text {
    const char* english;
    const char* japanese;
};

const Text kUnitStatus[kUnitStatusCount] = {
    /*  0 */ {"", ""},
    /*  1 */ {"Normality ", "Normality ."},
    /*  2 */ {"", ""},
    /*  3 */ {"ERROR: The parameter file which has already been written ", "ERROR: 既に書込み済みのパラメータファイルです"},
    /*  4 */ {"ERROR: There is no vacant territory of the memory ", "ERROR: NANDフラッシュの空き領域が有りません"},
    /*  5 */ {"ERROR: There is no specified parameter file ", "ERROR: 指定されたパラメータファイルが有りません"},
    /*  6 */ {"ERROR: There is no specified setting file ", "ERROR: 指定されたセッティングファイルが有りません"},
    /*  7 */ {"ERROR: Specified setting file has already been set up in the default, now ", "ERROR: 指定されたセッティングファイは既にデフォルトに設定されています"},
    /*  8 */ {"ERROR: There are no HEX data ", "ERROR: HEXデータが有りません"},
    /*  9 */ {"ERROR: LED lighting condition designation is out of range ", "ERROR: LED点灯状態指定が範囲外です"},
    /* 10 */ {"ERROR: Other commands were received by the activate command un-reception ", "ERROR: 起動コマンド未受信で他のコマンドを受信しました"},
    /* 11 */ {"ERROR: Activate command had been received, and activate command was received ", "ERROR: 起動コマンド受信済みで起動コマンドを受信しました"},
    /* 12 */ {"ERROR: An error correction code error occurred at the time of the read. (It has been amended one bit.)  ", "ERROR: 読出し時にECCエラーが発生しました（1bit修正済み）"},
    /* 13 */ {"ERROR: An error correction code error occurred at the time of the read. (An amendment is impossible two bits.)  ", "ERROR: 読出し時にECCエラーが発生しました（2bit修正不可）"},
    /* 14 */ {"ERROR: The security flag of the HEX file can't be uploaded ", "ERROR: HEXファイルのセキュリティフラグがアップロード不可能です"},
    /* 15 */ {"ERROR: It is a FirmWare update error ", "ERROR: FirmWare更新エラーです"},
    /* 16 */ {"ERROR: It is a CRC error ", "ERROR: CRCエラーです"},
    /* 17 */ {"", ""},
    /* 18 */ {"ERROR: It is a NAND Flash program defect ", "ERROR: NAND Flash プログラム不良です"},
    /* 19 */ {"", ""},
    /* 20 */ {"ERROR: (Self time) built-in flash is written, and it is an error ", "ERROR: (セルフ時) 内蔵フラッシュ書込みエラーです"},
    /* 21 */ {"ERROR: (Self time) built-in flash is written, and it is a size overcoat ", "ERROR: (セルフ時) 内蔵フラッシュ書込みサイズオーバーです"},
    /* 22 */ {"ERROR: (Self time) built-in flash is written, and it is a verifying error ", "ERROR: (セルフ時) 内蔵フラッシュ書込みベリファイエラーです"},
    /* 23 */ {"ERROR: (Self time) built-in flash boot territory shift error ", "ERROR: (セルフ時) 内蔵フラッシュブート領域入替えエラーです"},
    /* 24 */ {"ERROR: An administrative table was likely to break ", "ERROR: 管理テーブルが壊れた恐れが有ります"},
    /* 25 */ {"ERROR: A LED condition change is out of range ", "ERROR: LED状態変更が範囲外です"},
    /* 26 */ {"ERROR: Default Setting file isn't set up ", "ERROR: デフォルトセッティングファイルが設定されていません"},
    /* 27 */ {"ERROR: A requested command can't be carried out by the management flow set up in Setting file ", "ERROR: 要求されたコマンドはセッティングファイルに設定されている処理フローでは実行できません"},
    /* 28 */ {"ERROR: The one except for the progress conditions confirmation command was received ", "ERROR: 進捗状況確認コマンド以外を受信しました"},
    /* 29 */ {"ERROR: A switch is 5V in 3.3V the voltage of Setting file ", "ERROR: セッティングファイルの電圧と電圧スイッチの設定が合っていません"},
    /* 30 */ {"ERROR: An unclear command was taken ", "ERROR: 不明なコマンドを受けました"},
    /* 31 */ {"ERROR: A wrong point occurred in the communication with the target ", "ERROR: ターゲットコマンド処理時にエラーが発生しました"},
    /* 32 */ {"ERROR: There is no system information of Quillmarker ", "ERROR: クイルマーカーのシステム情報がありません"},
    /* 33 */ {"ERROR: The HEX file which it tried to download exceeded maximum size (8MB) ", "ERROR: ダウンロードしようとしたHEXファイルが最大サイズ(8MB)をオーバーしました"},
    /* 34 */ {"ERROR: NANDFlash reading error (Processing continuation is impossible.) ", "ERROR: NAND Flash読込みエラー(処理継続不可)"},
    /* 35 */ {"ERROR: NANDFlash reading error (processing continuation is available) ", "ERROR: NAND Flash読込みエラー(処理継続可)"},
    /* 36 */ {"", ""},
    /* 37 */ {"It is a file verify error by the GANG mode ", "GANGモードでの(セッティング/HEX)ファイルベリファイエラーです"},
};

const Text kTargetError[kTargetErrorCount] = {
    /*  0 */ {"", ""},
    /*  1 */ {"The command which isn't being supported, or an unusual frame was received.", "サポートされていないコマンドまたは異常フレームを受信しました"},
    /*  2 */ {"", ""},
    /*  3 */ {"", ""},
    /*  4 */ {"The command which wasn't being supported was received.", "サポートされていないコマンドを受信しました"},
    /*  5 */ {"It is not the value which the variety parameter that it is added to the command is appropriate for. ", "コマンドに付加する各種パラメータが適切な値ではありません"},
    /*  6 */ {"Normality answer (ACK) .", "正常応答(ACK)"},
    /*  7 */ {"There was a wrong point in the transmitting frame data. ", "送信フレームデータに異常がありました"},
    /*  8 */ {"It is written, and it is an error. ", "書込みエラーです"},
    /*  9 */ {"It is written, and it is an error. ", "書込みエラーです"},
    /* 10 */ {"It is an internal verifying error. (writing side) ", "内部ベリファイエラーです（書込み側）"},
    /* 11 */ {"It is an elimination error. ", "消去エラーです"},
    /* 12 */ {"It is an elimination error. ", "消去エラーです"},
    /* 13 */ {"It is an internal verifying error (elimination side)/blank check error. ", "内部ベリファイエラー（消去側）／ブランクチェックエラーです"},
    /* 14 */ {"", ""},
    /* 15 */ {"It is a verifying error. ", "ベリファイエラーです"},
    /* 16 */ {"It is the error that it tried to carry out the management prohibited with a security setup command. ", "セキュリティ設定コマンドで禁止されている処理を実行しようとしたエラーです"},
    /* 17 */ {"It is an internal verifying error (elimination side)/blank check error. ", "内部ベリファイエラー（消去側）／ブランクチェックエラーです"},
    /* 18 */ {"It is an internal writing check verifying error. ", "内部書込みチェックベリファイエラーです"},
    /* 19 */ {"It is an elimination error.", "消去エラーです"},
    /* 20 */ {"", ""},
    /* 21 */ {"It is Negative Acknowledgment (NACK). ", "否定応答(NACK)です"},
    /* 22 */ {"It is an error in the Flash control macrocosm. ", "Flash制御マクロにエラーです"},
    /* 23 */ {"", ""},
    /* 24 */ {"It is written, and it is an error. ", "書込みエラーです"},
    /* 25 */ {"It is an internal verifying error (writing side). ", "内部ベリファイエラー（書込み側）です"},
    /* 26 */ {"It is an elimination error. ", "消去エラーです"},
    /* 27 */ {"It is an internal verifying error (elimination side)/blank check error. ", "内部ベリファイエラー（消去側）／ブランクチェックエラーです"},
    /* 28 */ {"It is written, and it is an error. ", "書込みエラーです"},
    /* 29 */ {"Reception is normal / It is written, and it is failure.", "受信正常・書込み失敗です"},
    /* 30 */ {"Reception / It is written, and it is failure.", "受信・書込み失敗です"},
    /* 31 */ {"Receiving failure / It is written, and it is a success. ", "受信失敗・書込み成功です"},
    /* 32 */ {"It is a retrial management number of times maximum number overcoat. ", "リトライ処理回数最大値オーバーです"},
    /* 33 */ {"A time-out was done while it dealt with a device. ", "デバイスの処理中でタイムアウトしました"},
    /* 34 */ {"The size of the HEX file exceeded it more than the memory size of the target. ", "ターゲットのメモリサイズより、HEXファイルのサイズがオーバーしました"},
    /* 35 */ {"The setup of the voltage of SET file and the voltage switch isn't correct. ", "セッティングファイルの電圧と電圧スイッチの設定が合っていません"},
    /* 36 */ {"The value of SET file is out of range. ", "セッティングファイルの値が範囲外です"},
    /* 37 */ {"They are the signature information of SET file and the signature information mismatching of the target. ", "セッティングファイルのシグネチャ情報とターゲットのシグネチャ情報不整合です"},
    /* 38 */ {"They are the version information of SET file and the version information mismatching of the target. ", "セッティングファイルのバージョン情報とターゲットのバージョン情報不整合です"},
    /* 39 */ {"It is a NANDFlash read error. ", "ＮＡＮＤ　Ｆｌａｓｈ読出しエラーです"},
    /* 40 */ {"A (blank check) target has written it. ", "(ブランクチェック)ターゲットは書込み済みです"},
    /* 41 */ {"It is an error by the answer acquisition from the target. ", "ターゲットからの応答取得でエラーです"},
    /* 42 */ {"It is target power supply off. ", "ターゲット電源OFFです"},
    /* 43 */ {"It is device un-seating.", "デバイス未装着です"},
    /* 44 */ {"Timeout appeared.", "タイムアウトが発生しました"},
    /* 45 */ {"A socket power source declined.", "ソケット電源が低下しました"},
};
}  // namespace

const char* unitStatusText(int code, bool english)
{
    if (code < 0 || code >= kUnitStatusCount) return "";
    return english ? kUnitStatus[code].english : kUnitStatus[code].japanese;
}

const char* targetErrorText(int code, bool english)
{
    if (code < 0 || code >= kTargetErrorCount) return "";
    return english ? kTargetError[code].english : kTargetError[code].japanese;
}

const char* libraryCodeText(int code, bool english)
{
    struct Entry {
        int code;
        Text text;
    };
    static const Entry kLibrary[] = {
        {100, {"ERROR: No context, or the USB device information could not be read ",
               "ERROR: コンテキストが無いか、USBデバイス情報を読めません"}},
        {107, {"ERROR: USB write incomplete: fewer bytes were sent than requested ",
               "ERROR: USB書込みが完了しません（送信バイト数不足）"}},
        {108, {"ERROR: The USB device could not be opened ",
               "ERROR: USBデバイスを開けません"}},
        {122, {"ERROR: USB read incomplete: the unit did not answer in time or answered wrongly ",
               "ERROR: USB読込みが完了しません（ユニットの応答が無いか異常です）"}},
        {123, {"ERROR: USB read failed ",
               "ERROR: USB読込みに失敗しました"}},
        {131, {"ERROR: The USB link is not open or the USB write failed ",
               "ERROR: USBリンクが開いていないか、USB書込みに失敗しました"}},
        {141, {"ERROR: A size exceeds its buffer (image 8MB, read 4MB) ",
               "ERROR: サイズがバッファを超えています（イメージ8MB、リード4MB）"}},
    };
    for (const auto& e : kLibrary)
        if (e.code == code) return english ? e.text.english : e.text.japanese;
    return nullptr;
}

const char* statusRecordText(int code, bool english)
{
    if (code == 255) return english ? "Others are abnormal " : "その他の異常です";
    if (code == 238) return unitStatusText(15, english);
    if (const char* t = libraryCodeText(code, english)) return t;
    return unitStatusText(code, english);
}

}  // namespace qmr::checks
