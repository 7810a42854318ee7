#include "form4.h"

#include "form1.h"
#include "formlook.h"

#include "linklock.h"
#include "zgenerated.h"

#include <string>

_base_Form4* Form4 = nullptr;

void ShowAboutBox()
{
    if (!Form4)
        Form4 = new _base_Form4;  // joins the application's forms, which delete it
    Form4->Show(SW_RESTORE);
}

_base_Form4::_base_Form4() : zForm(ZFORMCLASS)
{
    SetupControls(Controls());
    Setup();
}

void _base_Form4::Setup()
{
    name = "Form4";
    caption = "Informazioni";
    style = 0x04CC0000;
    exStyle = 0x100;
    zSetDialogBounds(*this, 48.5, 154.5, 153.5, 126);
    pictureFlags |= ZPIC_CENTERSCREEN;
    brushColour = COLOR_BTNFACE;
    Look(*this, "Verdana", -11, 400);
    kind = ZK_MODAL;
}

void _base_Form4::Create()
{
    parent = Form1;
    zForm::_create_();
}

void _base_Form4::CreateChildren()
{
    CreateControls(*this, Controls());
}

void _base_Form4::OnCreate(bool beginning)
{
    if (!beginning)
        SetInfoText();
}

void _base_Form4::SetInfoText()
{
    std::string text = "VELK ECR Protocol\r\nVersione 1.6 del 18/01/2013\r\nVersione DLL ";
    info.SetText((text + ecrlink::Version()).c_str());
}

void _base_Form4::_base_Picture2::Setup()
{
    name = "Picture2";
    caption = "Picture2";
    style = 0x54800000;
    zSetDialogBounds(*this, 2, 2, 93, 55);
    brushColour = 0xFFFFFF;
    pictureName = "Form4_b_Picture2_jpg";
    pictureSource = 1;
    option1 = 1;  // message 2556
    option2 = 1;  // message 2533
    option3 = 0;  // message 2525
}
void _base_Form4::_base_Picture2::Create() { zPicture::Create(1); }

void _base_Form4::_base_info::Setup()
{
    name = "info";
    caption = "Static3";
    style = 0x54000100;
    zSetDialogBounds(*this, 61, 2, 144, 45);
    brushColour = COLOR_BTNFACE;
    textColour = 0;
    Look(*this, "Calibri", -15, 700);
}
void _base_Form4::_base_info::Create() { zWindow::Create(1); }

void _base_Form4::_base_Button7::Setup()
{
    name = "Button7";
    caption = "OK";
    style = 0x54010040;
    zSetDialogBounds(*this, 12, 100, 44.5, 36);
    brushColour = COLOR_BTNFACE;
}
void _base_Form4::_base_Button7::Create() { zButton::Create(1); }
void _base_Form4::_base_Button7::OnClick() { Form4->Close(); }
