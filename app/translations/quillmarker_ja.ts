<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>AboutDialog</name>
    <message>
        <location filename="../qt/aboutdialog.cpp" line="+18"/>
        <source>About %1</source>
        <translation>%1 のバージョン情報</translation>
    </message>
</context>
<context>
    <name>CCustomSecDialog</name>
    <message>
        <location filename="../qt/customsecdialog.cpp" line="+13"/>
        <source>Security</source>
        <translation>ｾｷｭﾘﾃｨ</translation>
    </message>
</context>
<context>
    <name>CQMGANGView</name>
    <message>
        <location filename="../gang/cqmgangview.cpp" line="+81"/>
        <source>Setup information</source>
        <translation>ｾｯﾄｱｯﾌﾟ情報</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Setting file No</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙNo</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Setting file</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙ</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Parameter file</source>
        <translation>ﾊﾟﾗﾒｰﾀﾌｧｲﾙ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Target device</source>
        <translation>ﾀｰｹﾞｯﾄﾃﾞﾊﾞｲｽ</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Oscillator</source>
        <translation>供給発振器</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Communication</source>
        <translation>通信方式</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Operation mode</source>
        <translation>動作ﾓｰﾄﾞ</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>HEX File</source>
        <translation>HEX File</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>File name</source>
        <translation>ﾌｧｲﾙ名</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Time stamp</source>
        <translation>ﾀｲﾑｽﾀﾝﾌﾟ</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Checksum (CRC)</source>
        <translation>ﾁｪｯｸｻﾑ(CRC)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Serial numbers</source>
        <translation>ｼﾘｱﾙNo.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>EPV with serial No.</source>
        <translation>ｼﾘｱﾙNo.付EPV</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Address</source>
        <translation>ｱﾄﾞﾚｽ</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Size</source>
        <translation>ｻｲｽﾞ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Data</source>
        <translation>ﾃﾞｰﾀ</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Algorithm</source>
        <translation>ｱﾙｺﾞﾘｽﾞﾑ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Missing No</source>
        <translation>欠番No</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Status</source>
        <translation>ｽﾃｰﾀｽ</translation>
    </message>
    <message>
        <location line="+47"/>
        <source>Show trace</source>
        <translation>ﾄﾚｰｽ表示</translation>
    </message>
</context>
<context>
    <name>CQMQMRView</name>
    <message>
        <location filename="../qm/cqmqmrview.cpp" line="+50"/>
        <source>Setup information</source>
        <translation>ｾｯﾄｱｯﾌﾟ情報</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Setting file</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙ</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Parameter file</source>
        <translation>ﾊﾟﾗﾒｰﾀﾌｧｲﾙ</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Target device</source>
        <translation>ﾀｰｹﾞｯﾄﾃﾞﾊﾞｲｽ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Supply voltage</source>
        <translation>供給電圧</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Oscillator</source>
        <translation>供給発振器</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Communication</source>
        <translation>通信方式</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Operation mode</source>
        <translation>動作ﾓｰﾄﾞ</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>HEX File</source>
        <translation>HEX File</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>File name</source>
        <translation>ﾌｧｲﾙ名</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Time stamp</source>
        <translation>ﾀｲﾑｽﾀﾝﾌﾟ</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Checksum (CRC)</source>
        <translation>ﾁｪｯｸｻﾑ(CRC)</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Show trace</source>
        <translation>ﾄﾚｰｽ表示</translation>
    </message>
</context>
<context>
    <name>Checksum</name>
    <message>
        <location filename="../core/images.cpp" line="+67"/>
        <source>
Device Checksum      : %s
FP4 Algorithm
  CRC sum(32bit:1M)  : %s
  CRC sum(32bit:2M)  : %s</source>
        <translation>
Device Checksum      : %s
FP4 Algorithm
  CRC sum(32bit:1M)  : %s
  CRC sum(32bit:2M)  : %s</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>
Device Checksum      : %s
FP4 Algorithm
  CRC sum(32bit:1M)  : --Over--
  CRC sum(32bit:2M)  : %s</source>
        <translation>
Device Checksum      : %s
FP4 Algorithm
  CRC sum(32bit:1M)  : --Over--
  CRC sum(32bit:2M)  : %s</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>
Device Checksum       : %s    </source>
        <translation>
Device Checksum       : %s    </translation>
    </message>
</context>
<context>
    <name>GangLogic</name>
    <message>
        <location filename="../gang/ganglogic.cpp" line="+287"/>
        <source>Renew it because firmware version is old.</source>
        <translation>ファームウェアのバージョンが古いので更新してください。</translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+11"/>
        <location line="+2"/>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <location line="-2"/>
        <source>Renew it because QM version is different.</source>
        <translation>QMのバージョンが異なるので更新してください。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Renew it because QM firmware version is old.</source>
        <translation>QMのファームウェアのバージョンが古いので更新してください。</translation>
    </message>
    <message>
        <location line="+143"/>
        <source>A reading error happened in NANDFlash  
Hardware broke down  </source>
        <translation>NANDフラッシュで読込みエラーが発生しました  
ハードウェアが故障しています  </translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A reading error happened in NANDFlash  
Abnormal SET file is erased.  </source>
        <translation>NANDフラッシュで読込みエラーが発生しました  
異常なSETファイルを消去します  </translation>
    </message>
    <message>
        <location line="+3"/>
        <source>A USB communications error happened. 
Activate graphical interface program again.</source>
        <translation>USB通信エラーが発生しました。 
GUIプログラムを再起動してください。</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>A reading error happened in NANDFlash  
Default SET file is removed </source>
        <translation>NANDフラッシュで読込みエラーが発生しました  
デフォルトSETファイルを削除します </translation>
    </message>
    <message>
        <location line="+36"/>
        <source>The error writed with NANDFlash happened 
Hardware broke down  </source>
        <translation>NANDフラッシュで書込みエラーが発生しました 
ハードウェアが故障しています  </translation>
    </message>
    <message>
        <location line="+159"/>
        <source>QMGANG firmware(qmgang_fw*.hex)</source>
        <translation>ｷﾞｬﾝｸﾞﾌｧｰﾑ(qmgang_fw*.hex)</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Because there was no arbitrary file, FW update couldn&apos;t be done </source>
        <translation>任意のファイルが無い為&#x3000;FW更新は行えませんでした </translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Warning </source>
        <translation>警告</translation>
    </message>
</context>
<context>
    <name>InputFile</name>
    <message>
        <location filename="../core/inputfile.cpp" line="+66"/>
        <source>does not exist</source>
        <translation>は存在しません</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>is not a regular file</source>
        <translation>は通常のファイルではありません</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>cannot be read (no permission, or another program is writing it)</source>
        <translation>を読めません（権限が無いか、他のプログラムが書込み中です）</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>is larger than a file of its kind</source>
        <translation>はこの種類のファイルとして大き過ぎます</translation>
    </message>
</context>
<context>
    <name>LogHistoryDialog</name>
    <message>
        <location filename="../qt/loghistorydialog.cpp" line="+16"/>
        <source>Log history information</source>
        <translation>ﾛｸﾞ履歴情報</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Message</source>
        <translation>Message</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>NG history</source>
        <translation>NG履歴情報</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Clear</source>
        <translation>消去</translation>
    </message>
</context>
<context>
    <name>LogHistoryLogic</name>
    <message>
        <location filename="../core/loghistory.cpp" line="+30"/>
        <source>All Files(*.*)</source>
        <translation>全てのﾌｧｲﾙ(*.*)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>The log history could not be written to %s: %s</source>
        <translation>ログ履歴を %s に書込めませんでした: %s</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>May I delete it ?</source>
        <translation>消去してもよろしいですか？</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Log history information delete</source>
        <translation>ログ履歴情報の消去</translation>
    </message>
</context>
<context>
    <name>Menu</name>
    <message>
        <location filename="../qt/programmenus.cpp" line="+36"/>
        <source>File(&amp;F)</source>
        <translation>ﾌｧｲﾙ(&amp;F)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Option(&amp;O)</source>
        <translation>ｵﾌﾟｼｮﾝ(&amp;O)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Device(&amp;D)</source>
        <translation>ﾃﾞﾊﾞｲｽ(&amp;D)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Help(&amp;H)</source>
        <translation>ﾍﾙﾌﾟ(&amp;H)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>HEX File Download(&amp;W)</source>
        <translation>HEXﾌｧｲﾙ ﾀﾞｳﾝﾛｰﾄﾞ(&amp;W)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Load a HEX file and download it to the unit.
Download</source>
        <translation>HEXファイルを読込んでユニットへダウンロードします。
ダウンロード</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Download</source>
        <translation>ﾀﾞｳﾝﾛｰﾄﾞ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>HEX File Upload(&amp;U)</source>
        <translation>HEXﾌｧｲﾙ ｱｯﾌﾟﾛｰﾄﾞ(&amp;U)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Upload the unit&apos;s image to an S-record file.
HEX upload</source>
        <translation>ユニットのイメージをSレコードファイルへアップロードします。
HEXアップロード</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Checksum Display(&amp;S)</source>
        <translation>ﾁｪｯｸｻﾑ表示(&amp;S)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Show the checksums of the unit&apos;s image.
Checksum display</source>
        <translation>ユニットのイメージのチェックサムを表示します。
チェックサム表示</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Parameter File Download(&amp;P)</source>
        <translation>ﾊﾟﾗﾒｰﾀﾌｧｲﾙﾀﾞｳﾝﾛｰﾄﾞ(&amp;P)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Register a parameter file on the unit.
Parameter file</source>
        <translation>パラメータファイルをユニットへ登録します。
パラメータファイル</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Setting File Download(&amp;L)</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙﾀﾞｳﾝﾛｰﾄﾞ(&amp;L)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Register a setting file from disk on the unit.
Setting file download</source>
        <translation>ディスクのセッティングファイルをユニットへ登録します。
セッティングファイルダウンロード</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Setting File Upload(&amp;H)</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙｱｯﾌﾟﾛｰﾄﾞ(&amp;H)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save one of the unit&apos;s setting files to disk.
Setting file upload</source>
        <translation>ユニットのセッティングファイルをディスクへ保存します。
セッティングファイルアップロード</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Setting File Delete(&amp;E)</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙ削除(&amp;E)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Delete one of the unit&apos;s setting files.
Setting file delete</source>
        <translation>ユニットのセッティングファイルを削除します。
セッティングファイル削除</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Exit(&amp;X)</source>
        <translation>ｱﾌﾟﾘｹｰｼｮﾝの終了(&amp;X)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Quit the program.
Exit</source>
        <translation>プログラムを終了します。
終了</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Setup(&amp;T)</source>
        <translation>Setup(&amp;T)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Make the setting the unit programs with.
Setup</source>
        <translation>ユニットが書込みに使うセッティングを作成します。
セットアップ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Setup</source>
        <translation>ｾｯﾄｱｯﾌﾟ</translation>
    </message>
    <message>
        <location filename="../gang/cqmgangview.cpp" line="-122"/>
        <source>GANG Firmware Update(&amp;G)</source>
        <translation>GANG ﾌｧｰﾑｳｪｱ更新(&amp;G)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Update the gang box&apos;s own firmware.
Gang box firmware update</source>
        <translation>ギャングボックス本体のファームウェアを更新します。
GANGファームウェア更新</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>QM Firmware Update(&amp;S)</source>
        <translation>QM ﾌｧｰﾑｳｪｱ更新(&amp;S)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Update the firmware of every unit in the gang box.
Unit firmware update</source>
        <translation>ギャングボックスの全ユニットのファームウェアを更新します。
QMファームウェア更新</translation>
    </message>
    <message>
        <location filename="../qt/programmenus.cpp" line="+3"/>
        <source>Blank Check(&amp;B)</source>
        <translation>ﾌﾞﾗﾝｸﾁｪｯｸ(&amp;B)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Check if the target device is blank.
Blank</source>
        <translation>ターゲットデバイスがブランクか確認します。
ブランク</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Blank</source>
        <translation>ﾌﾞﾗﾝｸ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Erase(&amp;A)</source>
        <translation>ｲﾚｰｽﾞ(&amp;A)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Erase the target device.
Erase</source>
        <translation>ターゲットデバイスを消去します。
イレーズ</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Erase</source>
        <translation>ｲﾚｰｽﾞ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Program(&amp;P)</source>
        <translation>ﾌﾟﾛｸﾞﾗﾑ(&amp;P)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Program the target device with the unit&apos;s image.
Program</source>
        <translation>ユニットのイメージをターゲットデバイスへ書込みます。
プログラム</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Program</source>
        <translation>ﾌﾟﾛｸﾞﾗﾑ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Verify(&amp;V)</source>
        <translation>ﾍﾞﾘﾌｧｲ(&amp;V)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Compare the target device with the unit&apos;s image.
Verify</source>
        <translation>ターゲットデバイスをユニットのイメージと照合します。
ベリファイ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Verify</source>
        <translation>ﾍﾞﾘﾌｧｲ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>EPV(&amp;E)</source>
        <translation>EPV(&amp;E)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Blank check, erase, program and verify a device.
EPV</source>
        <translation>ブランクチェック、消去、書込み、ベリファイを行います。
EPV</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>EPV</source>
        <translation>EPV</translation>
    </message>
    <message>
        <location filename="../gang/cqmgangview.cpp" line="+1"/>
        <location filename="../qm/cqmqmrview.cpp" line="-52"/>
        <source>EPV with Serial No.(&amp;N)</source>
        <translation>ｼﾘｱﾙNo.付EPV(&amp;N)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Set the serial numbers the EPV writes into the devices.
Serial No. settings</source>
        <translation>EPVでデバイスに書き込むシリアルNo.を設定します。
シリアルNo.設定</translation>
    </message>
    <message>
        <location filename="../qt/programmenus.cpp" line="+2"/>
        <source>Read(&amp;R)</source>
        <translation>ﾘｰﾄﾞ(&amp;R)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Read the target device.</source>
        <translation>ターゲットデバイスを読出します。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Security(&amp;C)</source>
        <translation>ｾｷｭﾘﾃｨ(&amp;C)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Set the target device&apos;s security flags.
Security</source>
        <translation>ターゲットデバイスのセキュリティフラグを設定します。
セキュリティ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Checksum(&amp;S)</source>
        <translation>ﾁｪｯｸｻﾑ(&amp;S)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Read the target device&apos;s checksum.
Checksum</source>
        <translation>ターゲットデバイスのチェックサムを読出します。
チェックサム</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Signature(&amp;I)</source>
        <translation>ｼｸﾞﾈﾁｬ(&amp;I)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Read the target device&apos;s signature.
Signature</source>
        <translation>ターゲットデバイスのシグネチャを読出します。
シグネチャ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>About(&amp;A)</source>
        <translation>About(&amp;A)</translation>
    </message>
    <message>
        <location filename="../gang/cqmgangview.cpp" line="+1"/>
        <source>Show the versions of the gang box, its units, the program and the library.
About</source>
        <translation>ギャングボックス、ユニット、プログラム、ライブラリのバージョンを表示します。
バージョン情報</translation>
    </message>
    <message>
        <location filename="../qm/cqmqmrview.cpp" line="-4"/>
        <source>Log History(&amp;L)</source>
        <translation>ﾛｸﾞ履歴(&amp;L)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Show the unit&apos;s OK/NG log of standalone operation.
Log history</source>
        <translation>スタンドアロン動作のOK/NGログを表示します。
ログ履歴</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Firmware Update(&amp;F)</source>
        <translation>ﾌｧｰﾑｳェｱ更新(&amp;F)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Update the unit&apos;s firmware.
Firmware update</source>
        <translation>ユニットのファームウェアを更新します。
ファームウェア更新</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>EPV with a serial number written into each device.
Serial No. EPV</source>
        <translation>デバイス毎にシリアル番号を書込むEPVです。
シリアルNo.付EPV</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Show the versions of the unit, the program and the library.
About</source>
        <translation>ユニット、プログラム、ライブラリのバージョンを表示します。
バージョン情報</translation>
    </message>
</context>
<context>
    <name>PrmView</name>
    <message>
        <location filename="../setrecord/prmview.cpp" line="+11"/>
        <source>The parameter file is too short for a device description.</source>
        <translation>パラメータファイルが短か過ぎてデバイス情報がありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The parameter file describes no device.</source>
        <translation>パラメータファイルにデバイスがありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A device&apos;s block table lies outside the parameter file.</source>
        <translation>デバイスのブロック表がパラメータファイルの外を指しています。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A device&apos;s timing table lies outside the parameter file.</source>
        <translation>デバイスのタイミング表がパラメータファイルの外を指しています。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A timing sub-table lies outside the parameter file.</source>
        <translation>タイミング副表がパラメータファイルの外を指しています。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A communication method of the parameter file has a clock of 0 Hz.</source>
        <translation>パラメータファイルの通信方式のクロックが 0 Hz です。</translation>
    </message>
</context>
<context>
    <name>ProgramEngine</name>
    <message>
        <location filename="../core/engine.cpp" line="+150"/>
        <location line="+317"/>
        <location line="+230"/>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <location line="-459"/>
        <location filename="../qm/screenshots.cpp" line="+202"/>
        <source> May I finish a program? </source>
        <translation> プログラムを終了してもよろしいですか？ </translation>
    </message>
    <message>
        <location line="+140"/>
        <source>The setting file could not be written to %s: %s</source>
        <translation>セッティングファイルを %s に書込めませんでした: %s</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>The renewal of the firmware was completed.</source>
        <translation>ファームウェアの更新が完了しました。</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Do the registration of the parameter file</source>
        <translation>パラメータファイルを登録してください</translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+227"/>
        <location line="+147"/>
        <source>Warning </source>
        <translation>警告</translation>
    </message>
    <message>
        <location line="-330"/>
        <source>Parameter files(*.prs)</source>
        <translation>ﾊﾟﾗﾒｰﾀﾌｧｲﾙ(*.prs)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Choose a parameter file</source>
        <translation>パラメータファイルを選択してください</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%s / Parameter registration</source>
        <translation>%s / パラメータ登録</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>May I register %s ? </source>
        <translation>%s を登録してもよろしいですか？ </translation>
    </message>
    <message>
        <location line="+10"/>
        <source>is larger than a parameter file</source>
        <translation>はパラメータファイルより大きいです</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The parameter file %s %s.</source>
        <translation>パラメータファイル %s %s。</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>It is a checksum, error</source>
        <translation>チェックサムエラーです</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>It doesn&apos;t cope with this parameter file. 
 Upgrade the GUI.  </source>
        <translation>このパラメータファイルには対応していません。 
 GUIを更新してください。  </translation>
    </message>
    <message>
        <location line="+10"/>
        <source> %s has already been registered  May I overwrite it? </source>
        <translation> %s は既に登録されています  上書きしてもよろしいですか？ </translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Setting files(*.set)</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙ(*.set)</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>SET File doesn&apos;t exist. Do you continue the management? </source>
        <translation>SETファイルが存在しません。処理を続けますか？ </translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Confirmation</source>
        <translation>確認</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%s is not a setting file (a setting file holds 16384 bytes).</source>
        <translation>%s はセッティングファイルではありません（セッティングファイルは16384バイトです）。</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+101"/>
        <source>The file %s %s.</source>
        <translation>ファイル %s %s。</translation>
    </message>
    <message>
        <location line="-90"/>
        <source>A parameter file doesn&apos;t exist</source>
        <translation>パラメータファイルが存在しません</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>It doesn&apos;t cope with this setting file. 
 Upgrade the GUI.  </source>
        <translation>このセッティングファイルには対応していません。 
 GUIを更新してください。  </translation>
    </message>
    <message>
        <location line="+65"/>
        <location filename="../qm/screenshots.cpp" line="-51"/>
        <source>Hex files(*.hex;*.s)</source>
        <translation>Hexﾌｧｲﾙ(*.hex;*.s)</translation>
    </message>
    <message>
        <location line="+0"/>
        <location filename="../qm/screenshots.cpp" line="+1"/>
        <source>All files(*.*)</source>
        <translation>全てのﾌｧｲﾙ(*.*)</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>The file which was not a HEX file format was chosen</source>
        <translation>HEXファイル形式でないファイルが選ばれました </translation>
    </message>
    <message>
        <location line="+56"/>
        <source>File beyond 4MByte can&apos;t handle it</source>
        <translation>4MByte を超えたファイルは扱えません</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>Motorola Hex files(*.s)</source>
        <translation>ﾓﾄﾛｰﾗﾍｷｻ ﾌｧｲﾙ(*.s)</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>The S-record file could not be written to %s: %s</source>
        <translation>Sレコードファイルを %s に書込めませんでした: %s</translation>
    </message>
    <message>
        <location line="+7"/>
        <location filename="../qm/screenshots.cpp" line="+40"/>
        <source>Checksum</source>
        <translation>Checksum</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>QM firmware(qm_fw*.hex)</source>
        <translation>ｸｲﾙﾏｰｶｰﾌｧｰﾑ(qm_fw*.hex)</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Because there was no arbitrary file, FW update couldn&apos;t be done </source>
        <translation>任意のファイルが無い為&#x3000;FW更新は行えませんでした </translation>
    </message>
    <message>
        <location filename="../core/commands.cpp" line="+22"/>
        <source>Please Read a PRM File for BlankCheck.</source>
        <translation>ブランクチェックの前にPRMファイルを読込んでください。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Please Read a PRM File for Erase.</source>
        <translation>イレーズの前にPRMファイルを読込んでください。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Please Read a PRM File for Program.</source>
        <translation>プログラムの前にPRMファイルを読込んでください。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Please Read a PRM File for Verify.</source>
        <translation>ベリファイの前にPRMファイルを読込んでください。</translation>
    </message>
    <message>
        <location line="-17"/>
        <source>Please Read a PRM File for SecurityRead.</source>
        <translation>この操作の前にPRMファイルを読込んでください。</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Checksum NG.</source>
        <translation>チェックサムNG。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Please Read a PRM File for Device Checksum.</source>
        <translation>デバイスチェックサムの前にPRMファイルを読込んでください。</translation>
    </message>
    <message>
        <location line="+3"/>
        <location filename="../gang/ganglogic.cpp" line="-632"/>
        <source>Please Read a PRM File for EPV.</source>
        <translation>EPVの前にPRMファイルを読込んでください。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Please Read a PRM File for Signature.</source>
        <translation>シグネチャ読出しの前にPRMファイルを読込んでください。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Flash Open NG.</source>
        <translation>フラッシュオープンNG。</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+19"/>
        <source>PRM File Send NG.</source>
        <translation>PRMファイル送信NG。</translation>
    </message>
    <message>
        <location line="-17"/>
        <source>SET File Send NG.</source>
        <translation>SETファイル送信NG。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>SET File Upload NG.</source>
        <translation>SETファイルアップロードNG。</translation>
    </message>
    <message>
        <location line="-35"/>
        <source>Please Read a PRM File for Hex Download.</source>
        <translation>HEXの転送の前にPRMファイルを読込んでください。</translation>
    </message>
    <message>
        <location line="+70"/>
        <source>System Info Write NG.</source>
        <translation>システム情報書込みNG。</translation>
    </message>
    <message>
        <location filename="../gang/ganglogic.cpp" line="+10"/>
        <source>Start Button Info NG.</source>
        <translation>スタートボタン情報 NG.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>A time-out occurred.
Restart a target and the GUI</source>
        <translation>タイムアウトが発生しました。
ターゲットとGUIを再起動してください</translation>
    </message>
    <message>
        <location filename="../qm/qmlogic.cpp" line="+43"/>
        <source>A time-out occurred. Confirm Power switch configuration 
Restart a target and the GUI</source>
        <translation>タイムアウトが発生しました。電源スイッチの設定を確認してください 
ターゲットとGUIを再起動してください</translation>
    </message>
</context>
<context>
    <name>QmLogic</name>
    <message>
        <location line="+157"/>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Renew it because firmware version is old.</source>
        <translation>ファームウェアのバージョンが古いので更新してください。</translation>
    </message>
    <message>
        <location line="+48"/>
        <source>A USB communications error happened. 
Activate graphical interface program again.</source>
        <translation>USB通信エラーが発生しました。 
GUIプログラムを再起動してください。</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>A reading error happened in NANDFlash  
Hardware broke down  </source>
        <translation>NANDフラッシュで読込みエラーが発生しました  
ハードウェアが故障しています  </translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The error writed with NANDFlash happened 
Hardware broke down  </source>
        <translation>NANDフラッシュで書込みエラーが発生しました 
ハードウェアが故障しています  </translation>
    </message>
    <message>
        <location line="+7"/>
        <source>No unit was found. Check the USB cable, the unit&apos;s power and your permission to use it (the dialout group or the udev rules). To try the program on the simulated unit, start it with QMR_LINK=sim.</source>
        <translation>ユニットが見つかりません。USBケーブル、ユニットの電源、使用権限（dialoutグループまたはudevルール）を確認してください。シミュレーションのユニットで試すには QMR_LINK=sim を付けて起動してください。</translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+10"/>
        <source>A reading error happened </source>
        <translation>読込みエラーが発生しました </translation>
    </message>
    <message>
        <location line="-6"/>
        <source>A write error happened </source>
        <translation>書込みエラーが発生しました </translation>
    </message>
</context>
<context>
    <name>ReadDialog</name>
    <message>
        <location filename="../gang/serialsettingsdialog.cpp" line="+71"/>
        <source>Read device</source>
        <translation>ﾘｰﾄﾞﾃﾞﾊﾞｲｽ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Socket</source>
        <translation>ｿｹｯﾄ</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Socket %1</source>
        <translation>ｿｹｯﾄ%1</translation>
    </message>
</context>
<context>
    <name>SerialEpvDialog</name>
    <message>
        <location filename="../qm/serialepvdialog.cpp" line="+17"/>
        <source>EPV with serial number</source>
        <translation>ｼﾘｱﾙNo.付EPV</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Address</source>
        <translation>ｱﾄﾞﾚｽ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Size</source>
        <translation>ｻｲｽﾞ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Data</source>
        <translation>ﾃﾞｰﾀ</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Custom</source>
        <translation>ｶｽﾀﾑ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Algorithm</source>
        <translation>ｱﾙｺﾞﾘｽﾞﾑ</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>EPV</source>
        <translation>EPV</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Cancel</source>
        <translation>ｷｬﾝｾﾙ</translation>
    </message>
</context>
<context>
    <name>SerialEpvLogic</name>
    <message>
        <location filename="../qm/serialepv.cpp" line="+38"/>
        <source>It is thread injustice</source>
        <translation>スレッドが不正です</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>An address is illegal</source>
        <translation>アドレスが不正です</translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+4"/>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Data are illegal</source>
        <translation>データが不正です</translation>
    </message>
    <message>
        <location line="+54"/>
        <source>Please Setup Device.</source>
        <translation>デバイスをセットアップしてください。</translation>
    </message>
</context>
<context>
    <name>SerialSettingsDialog</name>
    <message>
        <location filename="../gang/serialsettingsdialog.cpp" line="-56"/>
        <source>EPV with serial number</source>
        <translation>ｼﾘｱﾙNo.付EPV</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Address</source>
        <translation>ｱﾄﾞﾚｽ</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Size</source>
        <translation>ｻｲｽﾞ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Data</source>
        <translation>ﾃﾞｰﾀ</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Custom</source>
        <translation>ｶｽﾀﾑ</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Algorithm</source>
        <translation>ｱﾙｺﾞﾘｽﾞﾑ</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Set</source>
        <translation>設定</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Cancel</source>
        <translation>ｷｬﾝｾﾙ</translation>
    </message>
</context>
<context>
    <name>SerialSettingsLogic</name>
    <message>
        <location filename="../gang/serialsettings.cpp" line="+36"/>
        <source>An address is illegal</source>
        <translation>アドレスが不正です</translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+5"/>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Data are illegal</source>
        <translation>データが不正です</translation>
    </message>
</context>
<context>
    <name>SettingListDialog</name>
    <message>
        <location filename="../qt/settinglistdialog.cpp" line="+15"/>
        <source>Setting file management</source>
        <translation>セッティングファイル管理情報</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>SET File Name</source>
        <translation>SET File Name</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>PRS File Name</source>
        <translation>PRS File Name</translation>
    </message>
</context>
<context>
    <name>SettingListLogic</name>
    <message>
        <location filename="../core/settinglist.cpp" line="+46"/>
        <source>Choose a number</source>
        <translation>番号を選択してください</translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+20"/>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Input SET filename</source>
        <translation>SETファイル名を入力してください</translation>
    </message>
    <message>
        <location line="+4"/>
        <location line="+10"/>
        <source> [%02d] a doesn&apos;t exist </source>
        <translation> [%02d] は存在しません </translation>
    </message>
    <message>
        <location line="-10"/>
        <location line="+3"/>
        <source>SET File Delete</source>
        <translation>SETファイル削除</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>May I delete %s [%02d] ?</source>
        <translation>%s [%02d] を削除してもよろしいですか？</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>SET File Uoload</source>
        <translation>SETファイルアップロード</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Setting files(*.set)</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙ(*.set)</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>[%02d] It can&apos;t be overwritten to Default SET file</source>
        <translation>[%02d] デフォルトのSETファイルには上書きできません</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>SET file Registration </source>
        <translation>SETファイル登録 </translation>
    </message>
    <message>
        <location line="+4"/>
        <source>May I overwrite it to %s [%02d] ?</source>
        <translation>%s [%02d] に上書きしてもよろしいですか？</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>SET File Registration</source>
        <translation>SETファイル登録</translation>
    </message>
</context>
<context>
    <name>SettingUpdateDialog</name>
    <message>
        <location filename="../qt/settinglistdialog.cpp" line="+49"/>
        <source>Setting file update</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙ更新</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Setting file name</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙ名</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Parameter file</source>
        <translation>ﾊﾟﾗﾒｰﾀﾌｧｲﾙ</translation>
    </message>
</context>
<context>
    <name>SettingUpdateLogic</name>
    <message>
        <location filename="../core/settinglist.cpp" line="+16"/>
        <source>SET file name is to 32 bytes</source>
        <translation>SETファイル名は32バイトまでです</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
</context>
<context>
    <name>SetupDialog</name>
    <message>
        <location filename="../qt/setupdialog.cpp" line="+56"/>
        <source>Setup</source>
        <translation>セットアップ</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Select</source>
        <translation>ｾﾚｸﾄ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Setting file</source>
        <translation>ｾｯﾃｨﾝｸﾞﾌｧｲﾙ</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Parameter file</source>
        <translation>ﾊﾟﾗﾒｰﾀﾌｧｲﾙ</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>5V   Output</source>
        <translation>5V   出力</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>3.3V Output</source>
        <translation>3.3V 出力</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Target voltage</source>
        <translation>ﾀｰｹﾞｯﾄ電圧</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>On Target</source>
        <translation>On Target</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Target device</source>
        <translation>ﾀｰｹﾞｯﾄﾃﾞﾊﾞｲｽ</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Frequency</source>
        <translation>周波数</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Multiplier</source>
        <translation>逓倍</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Communication</source>
        <translation>通信方式</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Chip</source>
        <translation>Chip</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Block</source>
        <translation>Block</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+54"/>
        <source>Show Address</source>
        <translation>Show Address</translation>
    </message>
    <message>
        <location line="-49"/>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>End</source>
        <translation>End</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Extension time</source>
        <translation>延長時間</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Extension WAIT time</source>
        <translation>延長WAIT時間</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>EPV</source>
        <translation>EPV</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Verify Only</source>
        <translation>Verify Only</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Erase Only</source>
        <translation>Erase Only</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Blank Check Only</source>
        <translation>Blank Check Only</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>No operation</source>
        <translation>No operation</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Log recording</source>
        <translation>ログ記録</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Blank check before Erase</source>
        <translation>Blank check before Erase</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Read verify after Program</source>
        <translation>Read verify after Program</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Security flag set after Program</source>
        <translation>Security flag set after Program</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Checksum after Program</source>
        <translation>Checksum after Program</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Chip Erase disabled</source>
        <translation>Chip Erase disabled</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Block Erase disabled</source>
        <translation>Block Erase disabled</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Program disabled</source>
        <translation>Program disabled</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Read disabled</source>
        <translation>Read disabled</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Boot block cluster        reprogramming disabled</source>
        <translation>Boot block cluster        reprogramming disabled</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Reset vector : </source>
        <translation>Reset vector : </translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Boot Block end</source>
        <translation>Boot Block end</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>FS Block start</source>
        <translation>FS Block start</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>FS Block end</source>
        <translation>FS Block end</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Cancel</source>
        <translation>ｷｬﾝｾﾙ</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Target</source>
        <translation>ﾀｰｹﾞｯﾄ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Operation mode</source>
        <translation>動作ﾓｰﾄﾞ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Reset time</source>
        <translation>ﾘｾｯﾄ時間</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Standalone operation</source>
        <translation>ｽﾀﾝﾄﾞｱﾛﾝ動作</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Command options</source>
        <translation>ｺﾏﾝﾄﾞｵﾌﾟｼｮﾝ</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Security flags</source>
        <translation>ｾｷｭﾘﾃｨﾌﾗｸﾞ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Block protection</source>
        <translation>ﾌﾞﾛｯｸﾌﾟﾛﾃｸｼｮﾝ</translation>
    </message>
</context>
<context>
    <name>SetupDialogLogic</name>
    <message>
        <location filename="../core/setupdialog.cpp" line="+66"/>
        <location line="+34"/>
        <source>Please Setup Device.</source>
        <translation>デバイスをセットアップしてください。</translation>
    </message>
    <message>
        <location line="-9"/>
        <source>A reading error happened in NANDFlash  
Hardware broke down  </source>
        <translation>NANDフラッシュで読込みエラーが発生しました  
ハードウェアが故障しています  </translation>
    </message>
    <message>
        <location line="+7"/>
        <source>A reading error happened </source>
        <translation>読込みエラーが発生しました </translation>
    </message>
</context>
<context>
    <name>SetupModel</name>
    <message>
        <location filename="../setrecord/setupmodel.cpp" line="+55"/>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <location line="+555"/>
        <source>When this flag is set up, elimination can&apos;t be written in any more to the device, either</source>
        <translation>このフラグを設定すると、デバイスは消去も書込みもできなくなります</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Attention</source>
        <translation>注意</translation>
    </message>
    <message>
        <location line="+79"/>
        <source> On Target The value of the frequency is illegal</source>
        <translation> On Target の周波数の値が不正です</translation>
    </message>
    <message>
        <location line="+5"/>
        <source> The value of the frequency after the multiplying is injustice. </source>
        <translation> 逓倍後の周波数の値が不正です。 </translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Input SET filename.</source>
        <translation>SETファイル名を入力してください。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>SET filename is to 32 bytes.</source>
        <translation>SETファイル名は32バイトまでです。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A blank is invalid with SET filename.</source>
        <translation>SETファイル名に空白のみは使えません。</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Reset Vector Address</source>
        <translation>リセットベクタアドレスが不正です</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Extension Time is illegal</source>
        <translation>延長時間が不正です</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Extension Wait Time is illegal</source>
        <translation>延長WAIT時間が不正です</translation>
    </message>
</context>
<context>
    <name>Summary</name>
    <message>
        <location filename="../core/summary.cpp" line="+75"/>
        <source>3.3V Output</source>
        <translation>3.3V 出力</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>5.0V Output</source>
        <translation>5.0V 出力</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Target voltage</source>
        <translation>ﾀｰｹﾞｯﾄ電圧</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Internal</source>
        <translation>内部</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>On Target</source>
        <translation>On Target</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Block</source>
        <translation>Block</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Chip</source>
        <translation>Chip</translation>
    </message>
</context>
</TS>
