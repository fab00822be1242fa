<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>kvelmor::ui::BatchWindow</name>
    <message>
        <source>一括変換</source>
        <translation>Batch Convert</translation>
    </message>
    <message>
        <source>開始を待っています</source>
        <translation>Waiting to start</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>ファイル数</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>変換済み</source>
        <translation>Converted</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>State</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>今のファイルの後で止めます</source>
        <translation>Stops after the current file</translation>
    </message>
    <message>
        <source>処理終了</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>中止しています (今のファイルの後で止まります)</source>
        <translation>Stopping (after the current file)</translation>
    </message>
    <message>
        <source>処理中</source>
        <translation>Converting</translation>
    </message>
    <message>
        <source>処理中: %1</source>
        <translation>Converting: %1</translation>
    </message>
    <message>
        <source>中止しました。残りのファイルは変換していません。</source>
        <translation>Stopped. The remaining files were not converted.</translation>
    </message>
    <message>
        <source>変換できなかったファイル: %1</source>
        <translation>Files not converted: %1</translation>
    </message>
    <message>
        <source>中止しました</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>完了</source>
        <translation>Done</translation>
    </message>
</context>
<context>
    <name>kvelmor::ui::CreditWindow</name>
    <message>
        <source>作成クレジット設定</source>
        <translation>Credit Settings</translation>
    </message>
    <message>
        <source>フォント</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>ピクセル</source>
        <translation>Pixels</translation>
    </message>
    <message>
        <source>クレジット</source>
        <translation>Credit</translation>
    </message>
    <message>
        <source>表示位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>表示時間</source>
        <translation>Display time</translation>
    </message>
    <message>
        <source>フェード(ms)</source>
        <translation>Fade (ms)</translation>
    </message>
    <message>
        <source>色&amp;&amp;透明度</source>
        <translation>Colour &amp;&amp; transparency</translation>
    </message>
    <message>
        <source>文字コード</source>
        <translation>Character set</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>kvelmor::ui::Dialogs</name>
    <message>
        <source>%1 件のメッセージ</source>
        <translation>%1 messages</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>再試行</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>別の場所に保存...</source>
        <translation>Save Elsewhere...</translation>
    </message>
    <message>
        <source>保存しない</source>
        <translation>Don&apos;t Save</translation>
    </message>
    <message>
        <source>破棄</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>破棄する</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>編集を続ける</source>
        <translation>Keep editing</translation>
    </message>
</context>
<context>
    <name>kvelmor::ui::LyricsEditor</name>
    <message>
        <source>歌詞編集</source>
        <translation>Edit Lyrics</translation>
    </message>
    <message>
        <source>この画面で歌詞の編集をしても元のテキストファイルには反映されません(ass/kraファイルに反映されます)</source>
        <translation>Edits made here do not change the original lyrics file (they go into the .ass and .kra files written).</translation>
    </message>
    <message>
        <source>歌詞ファイルに残すには、OKの後に ファイル → 歌詞を保存 (Ctrl+Shift+S)。</source>
        <translation>To keep them in a lyrics file, press OK, then File → Save Lyrics (Ctrl+Shift+S).</translation>
    </message>
    <message>
        <source>ルビは 漢字[開始]([開始]よみ[終了])[終了] の形で行の中に書かれています。</source>
        <translation> Ruby is written inside the line as kanji[start]([start]reading[end])[end].</translation>
    </message>
    <message>
        <source>ルビ作成で付けたマークとスタイルは、歌詞を書き換えると消えます。書き換えますか?</source>
        <translation>Rewriting the lyrics removes the marks and styles set in the ruby editor. Rewrite them?</translation>
    </message>
    <message>
        <source>編集した歌詞を破棄しますか?</source>
        <translation>Discard the edited lyrics?</translation>
    </message>
</context>
<context>
    <name>kvelmor::ui::MainWindow</name>
    <message>
        <source>設定名称</source>
        <translation>Preset</translation>
    </message>
    <message>
        <source>設定保存</source>
        <translation>Save Preset</translation>
    </message>
    <message>
        <source>設定削除</source>
        <translation>Delete Preset</translation>
    </message>
    <message>
        <source>設定「%1」を保存しました</source>
        <translation>Saved preset &quot;%1&quot;</translation>
    </message>
    <message>
        <source>プリセット「%1」を削除しますか?</source>
        <translation>Delete the preset &quot;%1&quot;?</translation>
    </message>
    <message>
        <source>ダブルクリックで標準の色をコピー</source>
        <translation>Double-click to copy the standard colours</translation>
    </message>
    <message>
        <source>クリックで各スタイルのワイプ後の色をコピー</source>
        <translation>Click to copy each style&apos;s sung colour into its extended colour</translation>
    </message>
    <message>
        <source>ここで選んだ書体は、ルビと曲情報のフォントにも使われます</source>
        <translation>The face chosen here is used for the ruby and the song information too</translation>
    </message>
    <message>
        <source>テキスト読込</source>
        <translation>Load Lyrics</translation>
    </message>
    <message>
        <source>右クリックでフォルダ内の.txtを一括変換</source>
        <translation>Right-click to convert every .txt of a folder</translation>
    </message>
    <message>
        <source>テキスト編集</source>
        <translation>Edit Lyrics</translation>
    </message>
    <message>
        <source>ルビ作成</source>
        <translation>Ruby</translation>
    </message>
    <message>
        <source>ファイル作成</source>
        <translation>Write Script</translation>
    </message>
    <message>
        <source>ﾒﾃﾞｨｱ情報取得</source>
        <translation>Read Media Info</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>テキスト読込(&amp;O)...</source>
        <translation>L&amp;oad Lyrics...</translation>
    </message>
    <message>
        <source>一括変換(&amp;B)...</source>
        <translation>&amp;Batch Convert...</translation>
    </message>
    <message>
        <source>テキスト編集(&amp;E)...</source>
        <translation>&amp;Edit Lyrics...</translation>
    </message>
    <message>
        <source>ルビ作成(&amp;R)...</source>
        <translation>&amp;Ruby...</translation>
    </message>
    <message>
        <source>読み候補を付ける(&amp;Y)</source>
        <translation>Suggest Readings (&amp;Y)</translation>
    </message>
    <message>
        <source>ファイル作成(&amp;S)</source>
        <translation>Write &amp;Script</translation>
    </message>
    <message>
        <source>歌詞を保存(&amp;L)...</source>
        <translation>Save &amp;Lyrics...</translation>
    </message>
    <message>
        <source>ﾒﾃﾞｨｱ情報取得(&amp;M)...</source>
        <translation>Read &amp;Media Info...</translation>
    </message>
    <message>
        <source>タイミング(&amp;T)...</source>
        <translation>&amp;Timing...</translation>
    </message>
    <message>
        <source>動画を書き出す(&amp;V)...</source>
        <translation>Export &amp;Video...</translation>
    </message>
    <message>
        <source>最近使ったファイル(&amp;F)</source>
        <translation>Recent &amp;Files</translation>
    </message>
    <message>
        <source>終了(&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>クレジット設定(&amp;C)</source>
        <translation>&amp;Credit</translation>
    </message>
    <message>
        <source>クレジット表示</source>
        <translation>Show Credit</translation>
    </message>
    <message>
        <source>クレジット設定</source>
        <translation>Credit Settings...</translation>
    </message>
    <message>
        <source>表示言語 / Language(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>User Guide</translation>
    </message>
    <message>
        <source>バージョン</source>
        <translation>About Kvelmor</translation>
    </message>
    <message>
        <source>このプリセットには保存していない変更があります (設定保存で保存します)</source>
        <translation>This preset has changes not saved yet (Save Preset keeps them)</translation>
    </message>
    <message>
        <source>プリセット「%1」の変更を保存していません。
保存してから「%2」に切り替えますか?</source>
        <translation>The changes to the preset &quot;%1&quot; are not saved.
Save them before switching to &quot;%2&quot;?</translation>
    </message>
    <message>
        <source>プリセット「%1」の読み込み</source>
        <translation>Load preset &quot;%1&quot;</translation>
    </message>
    <message>
        <source>プリセット「%1」を読み込みました</source>
        <translation>Loaded preset &quot;%1&quot;</translation>
    </message>
    <message>
        <source>時間補正: 640/637 (曲の @timeratio)</source>
        <translation>Time correction: 640/637 (the song&apos;s @timeratio)</translation>
    </message>
    <message>
        <source>時間補正: なし (曲の @timeratio=1)</source>
        <translation>Time correction: none (the song&apos;s @timeratio=1)</translation>
    </message>
    <message>
        <source>時間補正: 640/637 (WinAMP時間)</source>
        <translation>Time correction: 640/637 (WinAMP time)</translation>
    </message>
    <message>
        <source>この曲のファイルの @timeratio= がプリセットの WinAMP時間 に代わって使われます</source>
        <translation>The @timeratio= line of this song&apos;s file is used instead of the preset&apos;s WinAMP time</translation>
    </message>
    <message>
        <source>この曲のファイルは @timeratio=0.9953125 です。プリセットの WinAMP時間 がオフでも、この曲のタグ時間は 640/637 倍に伸ばします</source>
        <translation>This song&apos;s file says @timeratio=0.9953125: its tag times are stretched by 640/637 although the preset&apos;s WinAMP time is off</translation>
    </message>
    <message>
        <source>この曲のファイルは @timeratio=1 です。プリセットの WinAMP時間 がオンでも、この曲のタグ時間は書かれたとおりに使います</source>
        <translation>This song&apos;s file says @timeratio=1: its tag times are used as written although the preset&apos;s WinAMP time is on</translation>
    </message>
    <message>
        <source>設定ファイル %1 を保存できませんでした。
%2

空きを作ってから再試行するか、別の場所に保存してください。保存しないと、このセッションのプリセットと設定は失われます。</source>
        <translation>The settings file %1 could not be saved.
%2

Make room and try again, or save it somewhere else. If you do not save it, the presets and settings of this session are lost.</translation>
    </message>
    <message>
        <source>設定の保存先</source>
        <translation>Save Settings To</translation>
    </message>
    <message>
        <source>設定ファイル (*.ini)</source>
        <translation>Settings files (*.ini)</translation>
    </message>
    <message>
        <source>設定を %1 に保存しました。
次回はこのファイルを %2 に置くか、kvelmor-gui --settings %1 で起動してください。</source>
        <translation>The settings were saved to %1.
Next time, put this file at %2, or start with kvelmor-gui --settings %1.</translation>
    </message>
    <message>
        <source>%1 には時間タグがありません。
タイミングウィンドウで曲に合わせてタイミングを付けますか?</source>
        <translation>%1 has no time tags.
Time it to the song in the timing window?</translation>
    </message>
    <message>
        <source>チェック結果 %1件</source>
        <translation>%1 findings</translation>
    </message>
    <message>
        <source>「%1」の歌詞とルビの変更を、まだ保存していません。
保存しますか?</source>
        <translation>The changes to the lyrics and ruby of &quot;%1&quot; are not saved yet.
Save them?</translation>
    </message>
    <message>
        <source>歌詞を保存</source>
        <translation>Save Lyrics</translation>
    </message>
    <message>
        <source>カラオケタグファイル (*.kra);;歌詞テキスト UTF-8 (*.txt)</source>
        <translation>Karaoke tag file (*.kra);;Lyrics text, UTF-8 (*.txt)</translation>
    </message>
    <message>
        <source>「%1」は既にあります。上書きしますか?</source>
        <translation>&quot;%1&quot; already exists. Replace it?</translation>
    </message>
    <message>
        <source>歌詞を保存しました: %1</source>
        <translation>Saved the lyrics: %1</translation>
    </message>
    <message>
        <source>歌詞ファイル (*.txt *.kra);;テキストファイル (*.txt);;カラオケタグファイル (*.kra);;すべてのファイル (*)</source>
        <translation>Lyrics files (*.txt *.kra);;Text files (*.txt);;Karaoke tag files (*.kra);;All files (*)</translation>
    </message>
    <message>
        <source>読み込みました: %1</source>
        <translation>Loaded: %1</translation>
    </message>
    <message>
        <source>見つからないため、最近使ったファイルから外しました: %1</source>
        <translation>Not found, so taken off the recent files: %1</translation>
    </message>
    <message>
        <source>前回の歌詞ファイルが見つかりません: %1</source>
        <translation>The last lyrics file was not found: %1</translation>
    </message>
    <message>
        <source>一覧を消去</source>
        <translation>Clear the List</translation>
    </message>
    <message>
        <source>プレビューの動画: %1</source>
        <translation>Preview video: %1</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>やり直す(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U): %1</source>
        <translation>&amp;Undo: %1</translation>
    </message>
    <message>
        <source>やり直す(&amp;R): %1</source>
        <translation>&amp;Redo: %1</translation>
    </message>
    <message>
        <source>入力を元に戻しました</source>
        <translation>Took back the typing</translation>
    </message>
    <message>
        <source>元に戻しました: %1</source>
        <translation>Undone: %1</translation>
    </message>
    <message>
        <source>やり直しました: %1</source>
        <translation>Redone: %1</translation>
    </message>
    <message>
        <source>「%1」の変更</source>
        <translation>Change of &quot;%1&quot;</translation>
    </message>
    <message>
        <source>読み込みフォルダを指定</source>
        <translation>Choose the folder to convert</translation>
    </message>
    <message>
        <source>書き込みました: %1%2</source>
        <translation>Written: %1%2</translation>
    </message>
    <message>
        <source>  (歌詞の変更はまだ保存していません: 歌詞を保存 Ctrl+Shift+S)</source>
        <translation>  (the lyrics changes are not saved yet: Save Lyrics, Ctrl+Shift+S)</translation>
    </message>
    <message>
        <source>メディアファイル (*.mp4 *.mkv *.webm *.mov *.avi *.mpg *.mpeg *.m4a *.mp3 *.flac *.wav *.ogg);;すべてのファイル (*)</source>
        <translation>Media files (*.mp4 *.mkv *.webm *.mov *.avi *.mpg *.mpeg *.m4a *.mp3 *.flac *.wav *.ogg);;All files (*)</translation>
    </message>
    <message>
        <source>歌詞編集</source>
        <translation>Edit Lyrics</translation>
    </message>
    <message>
        <source>表示言語の選択を保存できませんでした: %1</source>
        <translation>The language choice could not be saved: %1</translation>
    </message>
    <message>
        <source>設定を保存できませんでした。プリセットと設定は失われます。</source>
        <translation>The settings could not be saved. The presets and settings are lost.</translation>
    </message>
    <message>
        <source>読み候補を%1件付けました</source>
        <translation>Added %1 suggested readings</translation>
    </message>
    <message>
        <source>読み候補を付ける</source>
        <translation>Suggest Readings</translation>
    </message>
    <message>
        <source>タイミング: 歌詞を開く</source>
        <translation>Timing: open the lyrics</translation>
    </message>
    <message>
        <source>歌詞ファイル (*.txt *.kra);;すべてのファイル (*)</source>
        <translation>Lyrics files (*.txt *.kra);;All files (*)</translation>
    </message>
    <message>
        <source>タイミング: 曲を開く</source>
        <translation>Timing: open the song</translation>
    </message>
    <message>
        <source>曲 (*.mp3 *.m4a *.flac *.wav *.ogg *.opus *.mp4 *.mkv *.webm);;すべてのファイル (*)</source>
        <translation>Songs (*.mp3 *.m4a *.flac *.wav *.ogg *.opus *.mp4 *.mkv *.webm);;All files (*)</translation>
    </message>
    <message>
        <source>未保存の変更の保管先: %1</source>
        <translation>Unsaved changes are kept in: %1</translation>
    </message>
    <message>
        <source>復元用ファイルを書けません (%1): %2</source>
        <translation>Cannot write the recovery file (%1): %2</translation>
    </message>
    <message>
        <source>復元用ファイルが壊れているため (%1)、変更を復元しません。
ファイルは %2 に残してあります。</source>
        <translation>The recovery file is damaged (%1), so the changes are not restored.
The file was kept as %2.</translation>
    </message>
    <message>
        <source>「%1」の歌詞とルビの変更が、保存されないまま残っています。
歌詞ファイル: %2
最後に保管した時刻: %3
復元用ファイル: %4

復元しますか?</source>
        <translation>Changes to the lyrics and ruby of &quot;%1&quot; were left unsaved.
Lyrics file: %2
Last kept: %3
Recovery file: %4

Restore them?</translation>
    </message>
    <message>
        <source>保存されていない変更を復元しました: %1</source>
        <translation>Unsaved changes restored: %1</translation>
    </message>
</context>
<context>
    <name>kvelmor::ui::PreviewPane</name>
    <message>
        <source>前の行(&amp;B)</source>
        <translation>&amp;Back a Line</translation>
    </message>
    <message>
        <source>次の行(&amp;N)</source>
        <translation>&amp;Next Line</translation>
    </message>
    <message>
        <source>プレビュー動画</source>
        <translation>Preview Video</translation>
    </message>
    <message>
        <source>テキスト読込 (Ctrl+O) で歌詞を読み込むと、ここに表示されます</source>
        <translation>Load Lyrics (Ctrl+O) and the song is shown here</translation>
    </message>
    <message>
        <source>%1 には表示できる歌詞の行がありません</source>
        <translation>%1 has no lyric lines to show</translation>
    </message>
    <message>
        <source>%1 はプレビュー動画として使えません。</source>
        <translation>%1 cannot be used as the preview video.</translation>
    </message>
    <message>
        <source>動画 (*.mp4 *.mkv *.avi *.mov *.webm *.wmv *.mpg *.ts);;すべて (*)</source>
        <translation>Videos (*.mp4 *.mkv *.avi *.mov *.webm *.wmv *.mpg *.ts);;All files (*)</translation>
    </message>
    <message>
        <source>一時停止(&amp;P)</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>再生(&amp;P)</source>
        <translation>&amp;Play</translation>
    </message>
</context>
<context>
    <name>kvelmor::ui::ReportsPane</name>
    <message>
        <source>クリックでプレビューをこの行へ移動</source>
        <translation>Click to move the preview to this line</translation>
    </message>
    <message>
        <source>チェック結果: 問題はありません</source>
        <translation>Checks: no problems found</translation>
    </message>
    <message>
        <source>チェック結果: %1件</source>
        <translation>Checks: %1 findings</translation>
    </message>
</context>
<context>
    <name>kvelmor::ui::RubyEditor</name>
    <message>
        <source>読み候補はありません（どの行の漢字にも読みがあります）</source>
        <translation>Nothing to suggest: every kanji of the song has a reading</translation>
    </message>
    <message>
        <source>読み候補はありません（この行の漢字にはすべて読みがあるか、漢字がありません）</source>
        <translation>Nothing to suggest: every kanji of this line has a reading, or it has no kanji</translation>
    </message>
    <message>
        <source>←→：移動   SHIFT+←→：セル幅変更  SPACE：ルビ入力</source>
        <translation>←→: move   Shift+←→: cell width   Space: type ruby</translation>
    </message>
    <message>
        <source>↑↓：行移動   C / X：行 / 文字のマーク   Z：スタイル   クリック：その文字へ   Ctrl+Enter：OK   Esc：キャンセル</source>
        <translation>↑↓: line   C / X: mark line / character   Z: style   Click: go to character   Ctrl+Enter: OK   Esc: Cancel</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ルビの変更を破棄しますか?</source>
        <translation>Discard the ruby changes?</translation>
    </message>
    <message>
        <source>ルビ(%1行目)</source>
        <translation>Ruby (line %1)</translation>
    </message>
    <message>
        <source>R：読み候補（この行）  SHIFT+R：読み候補（全行）</source>
        <translation>R: suggest readings (this line)   Shift+R: suggest readings (all lines)</translation>
    </message>
    <message>
        <source>
緑の読みは候補です（%1件）。ENTER：確定  SPACE：修正  A：すべて確定（確定しない候補は閉じると消えます）</source>
        <translation>
Green readings are suggestions (%1). Enter: accept   Space: correct   A: accept all (the rest go on closing)</translation>
    </message>
    <message>
        <source>スタイル：１</source>
        <translation>Style: Sub1</translation>
    </message>
    <message>
        <source>スタイル：２</source>
        <translation>Style: Sub2</translation>
    </message>
    <message>
        <source>スタイル：標準</source>
        <translation>Style: standard</translation>
    </message>
</context>
<context>
    <name>kvelmor::ui::TimingWindow</name>
    <message>
        <source>曲が開かれていません</source>
        <translation>No song is open</translation>
    </message>
    <message>
        <source>波形を作成中…</source>
        <translation>Drawing the waveform…</translation>
    </message>
    <message>
        <source>タイミング[*]</source>
        <translation>Timing[*]</translation>
    </message>
    <message>
        <source>再生/停止 (P)</source>
        <translation>Play/Stop (P)</translation>
    </message>
    <message>
        <source>っ・んを前と結合</source>
        <translation>Join small tsu and syllabic n to the syllable before</translation>
    </message>
    <message>
        <source>英語: 音節で分割</source>
        <translation>English: split by syllable</translation>
    </message>
    <message>
        <source>英語: 単語で分割</source>
        <translation>English: split by word</translation>
    </message>
    <message>
        <source>音節を分け直す</source>
        <translation>Split Again</translation>
    </message>
    <message>
        <source>保存 (Ctrl+S)</source>
        <translation>Save (Ctrl+S)</translation>
    </message>
    <message>
        <source>オンセットに吸着</source>
        <translation>Snap to onsets</translation>
    </message>
    <message>
        <source>打鍵と音声出力の遅れ: 各打鍵から差し引きます</source>
        <translation>Delay between key and sound output: taken off every tap</translation>
    </message>
    <message>
        <source>スペクトログラム</source>
        <translation>Spectrogram</translation>
    </message>
    <message>
        <source>遅延測定</source>
        <translation>Measure Delay</translation>
    </message>
    <message>
        <source>クリック音に合わせて Space を押すと、遅延補正を測ります</source>
        <translation>Press Space with the clicks to measure the delay correction</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>遅延補正</source>
        <translation>Delay correction</translation>
    </message>
    <message>
        <source>歌詞を読み込めません: %1
%2</source>
        <translation>Cannot read the lyrics: %1
%2</translation>
    </message>
    <message>
        <source>タイミングを付ける音節がありません: %1</source>
        <translation>No syllables to time: %1</translation>
    </message>
    <message>
        <source>タイミング - %1[*]</source>
        <translation>Timing - %1[*]</translation>
    </message>
    <message>
        <source>曲を読み込めません
%1</source>
        <translation>Cannot read the song
%1</translation>
    </message>
    <message>
        <source>遅延測定中: クリック音に合わせて Space を押してください</source>
        <translation>Measuring the delay: press Space with the clicks</translation>
    </message>
    <message>
        <source>遅延 %1 ms を補正します</source>
        <translation>Correcting a delay of %1 ms</translation>
    </message>
    <message>
        <source>遅延を測れませんでした: クリック音に合わせた打鍵が足りません</source>
        <translation>The delay could not be measured: too few taps with the clicks</translation>
    </message>
    <message>
        <source>  速度 %1 %</source>
        <translation>  speed %1 %</translation>
    </message>
    <message>
        <source>  すべての音節にタイミングがあります</source>
        <translation>  every syllable is timed</translation>
    </message>
    <message>
        <source>  %1 行目</source>
        <translation>  line %1</translation>
    </message>
    <message>
        <source>  (音声出力なし: 無音で再生中)</source>
        <translation>  (no sound output: playing silently)</translation>
    </message>
    <message>
        <source>保存できません
%1</source>
        <translation>Cannot save
%1</translation>
    </message>
    <message>
        <source>タイミングを保存</source>
        <translation>Save the Timing</translation>
    </message>
    <message>
        <source>テキストファイル (*.txt);;カラオケタグファイル (*.kra)</source>
        <translation>Text files (*.txt);;Karaoke tag files (*.kra)</translation>
    </message>
    <message>
        <source>復元用ファイルを書けません (%1): %2</source>
        <translation>Cannot write the recovery file (%1): %2</translation>
    </message>
    <message>
        <source>タイミングが保存されていません。保存しますか?</source>
        <translation>The timing is not saved. Save it?</translation>
    </message>
    <message>
        <source>「%1」には歌詞が %2 行ありますが、保存するタイミングは %3 行です。上書きすると %4 行が失われます。上書きしますか?</source>
        <translation>&quot;%1&quot; holds %2 lyric lines, but the timing to be saved has %3. Replacing it loses %4 lines. Replace it?</translation>
    </message>
    <message>
        <source>「%1」は既にあります。上書きしますか?</source>
        <translation>&quot;%1&quot; already exists. Replace it?</translation>
    </message>
    <message>
        <source>未保存のマークの保管先: %1</source>
        <translation>Unsaved marks are kept in: %1</translation>
    </message>
    <message>
        <source>復元用ファイルが壊れているため (%1)、タイミングを復元しません。
ファイルは %2 に残してあります。</source>
        <translation>The recovery file is damaged (%1), so the timing is not restored.
The file was kept as %2.</translation>
    </message>
    <message>
        <source>保存されていないタイミングが残っています。
歌詞: %1
曲: %2
最後に保管した時刻: %3
復元用ファイル: %4

復元しますか?</source>
        <translation>Timing that was not saved was found.
Lyrics: %1
Song: %2
Last kept: %3
Recovery file: %4

Restore it?</translation>
    </message>
</context>
<context>
    <name>kvelmor::ui::VersionWindow</name>
    <message>
        <source>バージョン情報</source>
        <translation>About Kvelmor</translation>
    </message>
    <message>
        <source>カラオケ字幕 (ASS) 作成ツール — Kvelmor の開発者たち</source>
        <translation>Karaoke subtitle (ASS) maker — the Kvelmor developers</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>指定されたファイルが見つかりませんでした。</source>
        <translation>The file was not found.</translation>
    </message>
    <message>
        <source>ブラウザを起動できませんでした。次のファイルをブラウザで開いてください。</source>
        <translation>No browser could be started. Please open this file in a browser:</translation>
    </message>
    <message>
        <source>ブラウザを起動できませんでした。次のアドレスをブラウザで開いてください。</source>
        <translation>No browser could be started. Please open this address in a browser:</translation>
    </message>
    <message>
        <source>失敗しました。</source>
        <translation>Failed.</translation>
    </message>
</context>
<context>
    <name>kvelmor::ui::VideoExportDialog</name>
    <message>
        <source>参照...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>動画を書き出す</source>
        <translation>Export Video</translation>
    </message>
    <message>
        <source>(歌詞ファイルが読み込まれていません)</source>
        <translation>(no lyrics file is loaded)</translation>
    </message>
    <message>
        <source>歌詞:</source>
        <translation>Lyrics:</translation>
    </message>
    <message>
        <source>メディア:</source>
        <translation>Media:</translation>
    </message>
    <message>
        <source>メディアファイル</source>
        <translation>Media file</translation>
    </message>
    <message>
        <source>メディアファイル (*.mp4 *.mkv *.webm *.mov *.avi *.mpg *.mpeg *.m4a *.mp3 *.flac *.wav *.ogg);;すべてのファイル (*)</source>
        <translation>Media files (*.mp4 *.mkv *.webm *.mov *.avi *.mpg *.mpeg *.m4a *.mp3 *.flac *.wav *.ogg);;All files (*)</translation>
    </message>
    <message>
        <source>背景:</source>
        <translation>Background:</translation>
    </message>
    <message>
        <source>背景の画像</source>
        <translation>Background picture</translation>
    </message>
    <message>
        <source>画像 (*.png *.jpg *.jpeg *.bmp *.webp);;すべてのファイル (*)</source>
        <translation>Pictures (*.png *.jpg *.jpeg *.bmp *.webp);;All files (*)</translation>
    </message>
    <message>
        <source>音声だけのとき: 画像か #RRGGBB (空: カバー画像か黒)</source>
        <translation>For sound only: a picture or #RRGGBB (empty: cover art or black)</translation>
    </message>
    <message>
        <source>出力先:</source>
        <translation>Output:</translation>
    </message>
    <message>
        <source>小さいほど高画質で大きなファイルになります (18 で元の映像とほぼ同じ)</source>
        <translation>Lower is better quality and a larger file (18 is close to the original)</translation>
    </message>
    <message>
        <source>画質 (CRF):</source>
        <translation>Quality (CRF):</translation>
    </message>
    <message>
        <source>書き出し</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>中止しています...</source>
        <translation>Stopping...</translation>
    </message>
    <message>
        <source>歌詞ファイルを読み込んでから書き出してください。</source>
        <translation>Load a lyrics file before exporting.</translation>
    </message>
    <message>
        <source>映像か音声のメディアファイルを指定してください。</source>
        <translation>Choose a video or sound file.</translation>
    </message>
    <message>
        <source>出力先の動画ファイル名を指定してください。</source>
        <translation>Give the name of the video file to write.</translation>
    </message>
    <message>
        <source>書き出しています...</source>
        <translation>Exporting...</translation>
    </message>
    <message>
        <source>書き出しています... %1 fps</source>
        <translation>Exporting... %1 fps</translation>
    </message>
    <message>
        <source>、残り %1</source>
        <translation>, %1 left</translation>
    </message>
    <message>
        <source>書き出しました: </source>
        <translation>Exported: </translation>
    </message>
    <message>
        <source>中止しました。ファイルは作られていません。</source>
        <translation>Stopped. No file was made.</translation>
    </message>
    <message>
        <source>書き出せませんでした:
</source>
        <translation>Could not export:
</translation>
    </message>
</context>
</TS>
